#include "engine/EHookSymbol.h"

#include <windows.h>

#include <string>

#include "engine/ECoreModules.h"
#include "engine/EHookCode.h"

void* HookSymbol(std::uint8_t symbolId, void* replacement, TSymbolFinder findSymbol) {
  void* routine = findSymbol ? findSymbol(symbolId) : nullptr;
  if (!routine) return nullptr;
  return HookProcedure(routine, replacement, "SymbolID = " + std::to_string(symbolId));
}

void* HookSymbol(std::uint8_t symbolId, void* replacement) {
  return HookSymbol(symbolId, replacement, &FindSymbol);
}

void* HookExport(void* address, const char* packageFileName, const char* exportName,
                 void* replacement) {
  const bool named = packageFileName && *packageFileName && exportName && *exportName;
  if (!address && named) {
    if (HMODULE package = GetModuleHandleA(packageFileName)) {
      address = reinterpret_cast<void*>(GetProcAddress(package, exportName));
    }
  }
  if (!address || !replacement) return address;
  return HookProcedure(address, replacement, exportName ? exportName : "");
}

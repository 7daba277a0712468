// A test-only module that carries the engine: its ELDATA block is written at
// build time by the build tool, and its own options unit reads it when it is
// loaded. The exports let a test ask what the module's engine found.
#include <windows.h>

#include "engine/ECore.h"
#include "engine/EngineStartup.h"

namespace {
constinit TEngineContext engine;
}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) StartEngineUnits(engine);
  if (reason == DLL_PROCESS_DETACH) EndEngineUnits();
  return TRUE;
}

// A routine the module's SymbolTable names (SymbolID 0).
__declspec(dllexport) __attribute__((noinline)) int ProbeRoutine(int value) {
  return value * 3 + 1;
}

__declspec(dllexport) void* ProbeFindSymbol(int symbolId) {
  return FindSymbol(static_cast<std::uint8_t>(symbolId));
}

__declspec(dllexport) int ProbeEngineDataLoaded() {
  const TDovaroModuleInfo* current = CurrentModuleInfo();
  return current && current->EngineDataLoaded;
}

__declspec(dllexport) int ProbePasswordValid() {
  const TDovaroModuleInfo* current = CurrentModuleInfo();
  return current && current->PasswordValid;
}

// -1 when the module has no debug information stream.
__declspec(dllexport) int ProbeDebugInfoSize() {
  const TDovaroModuleInfo* current = CurrentModuleInfo();
  return current && current->DebugInfo ? static_cast<int>(current->DebugInfo->size()) : -1;
}

// Changes an option of this module's engine (which publishes it); 0 when the
// engine is not active here.
__declspec(dllexport) int ProbeSetMaxLoggedErrors(unsigned value) {
  try {
    CurrentZuderaDodOptions().SetMaxLoggedErrors(value);
    return 1;
  } catch (...) {
    return 0;
  }
}

}  // extern "C"

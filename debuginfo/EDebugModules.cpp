#include "debuginfo/EDebugModules.h"

#include <windows.h>

#include <mutex>

#include "engine/ECoreModules.h"
#include "engine/EHookCode.h"
#include "platform/memory/LiveMemory.h"

namespace {
// Guards the lazily read export tables of the records.
std::mutex functionsLock;
// No limit in practice: a routine ends at its first return.
constexpr std::size_t kExportLengthLimit = 2147483647;
}  // namespace

std::uint32_t ProcedureLengthOfExport(std::uintptr_t address) {
  return static_cast<std::uint32_t>(
      ProcedureLength(reinterpret_cast<const void*>(address), kExportLengthLimit));
}

std::uintptr_t ModuleHandleOfAddress(std::uintptr_t address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(address), &module)) {
    return 0;
  }
  return reinterpret_cast<std::uintptr_t>(module);
}

TModuleDebugView ModuleDebugView(TDovaroModuleInfo& module) {
  const auto handle = reinterpret_cast<std::uintptr_t>(module.Handle);
  TModuleDebugView view;
  view.Entry = &module;
  view.Known = true;
  if (module.DebugInfo) {
    view.Block.Block = *module.DebugInfo;
    view.Block.Version = module.FormatVersion;
    view.Block.Password = module.DebugPassword;
    view.Block.PasswordValid = module.PasswordValid;
    view.Block.Handle = handle;
  }
  view.OtherSource = module.OtherDebugSource.get();
  if (module.Handle != GetModuleHandleA(nullptr)) {
    std::lock_guard guard(functionsLock);
    if (!module.Functions) {
      module.Functions = ReadExportedFunctions(LiveMemory(), handle);
      if (!module.Functions)
        module.Functions =
            std::make_shared<TDovaroFunctionsList>(std::vector<TDovaroFunctionInfo>{});
    }
    view.Functions = module.Functions.get();
  }
  return view;
}

void LoadOtherDebugSource(TDovaroModuleInfo& module) {
  module.OtherDebugSource = CreateOtherDebugSource(reinterpret_cast<std::uintptr_t>(module.Handle));
}

TDovaroModuleInfo* FindModuleInfo(std::uintptr_t address) {
  const std::uintptr_t handle = ModuleHandleOfAddress(address);
  if (handle == 0) return nullptr;
  const auto module = reinterpret_cast<TModuleHandle>(handle);
  try {
    if (TDovaroModuleInfo* listed = ModulesList().Find(module)) return listed;
    return &RegisterModule(module, std::string(), true);
  } catch (...) {
    return nullptr;  // lookups never fail
  }
}

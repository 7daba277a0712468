#include "debuginfo/EDebugModules.h"

#include <windows.h>

#include <mutex>

#include "engine/ECoreModules.h"

namespace {
// Guards the lazily read export tables of the records.
std::mutex functionsLock;
}  // namespace

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
      module.Functions = ReadExportedFunctions(LiveModuleAccess(), handle);
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

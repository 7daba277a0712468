#include "debuginfo/EDebugModules.h"

#include <windows.h>

#include "engine/ECoreModules.h"
#include "engine/EHookCode.h"

namespace {
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
  TModuleDebugView view;
  view.Entry = &module;
  view.Known = true;
  if (module.DebugInfo) {
    view.Block.Block = *module.DebugInfo;
    view.Block.Version = module.FormatVersion;
    view.Block.Password = module.DebugPassword;
    view.Block.PasswordValid = module.PasswordValid;
    view.Block.Handle = reinterpret_cast<std::uintptr_t>(module.Handle);
  }
  view.BlockIndex = module.DebugIndex.get();
  view.OtherSource = module.OtherDebugSource.get();
  view.Functions = module.Functions.get();
  return view;
}

TDovaroModuleInfo* FindModuleInfo(std::uintptr_t address) {
  const std::uintptr_t handle = ModuleHandleOfAddress(address);
  if (handle == 0) return nullptr;
  return ModulesList().Find(reinterpret_cast<TModuleHandle>(handle));
}

TDovaroModuleInfo* ModuleEntryByHandle(std::uintptr_t handle) {
  if (handle == 0) return nullptr;
  const auto module = reinterpret_cast<TModuleHandle>(handle);
  try {
    // An entry made while the modules were enumerated is completed on its
    // first use afterwards.
    TDovaroModuleInfo* listed = ModulesList().Find(module);
    if (listed && listed->ModuleType == mtUnknown && !ModulesList().Enumerating())
      return &ModulesList().Replace(LoadModuleRecord(module, listed->FileName, true));
    return listed ? listed : &RegisterModule(module, std::string(), true);
  } catch (...) {
    return nullptr;  // an entry that cannot be made is no entry
  }
}

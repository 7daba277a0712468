// The debug information unit's part in module registration: a module that
// carries no engine data gets its other debug source (map, TD32 or JDBG
// data), and every module but the main executable its exported functions, so
// that lookups afterwards only read.
#include "debuginfo/EDebug.h"

#include <windows.h>

#include "debuginfo/EDebugBlockIndex.h"
#include "debuginfo/EDebugExports.h"
#include "debuginfo/EDebugSource.h"
#include "engine/ECoreModules.h"
#include "platform/memory/LiveMemory.h"

void IndexDebugInformation(TDovaroModuleInfo& module) {
  if (!module.DebugInfo) return;
  const TDebugBlockModule block{*module.DebugInfo, module.FormatVersion, module.DebugPassword,
                                module.PasswordValid,
                                reinterpret_cast<std::uintptr_t>(module.Handle)};
  module.DebugIndex = std::make_shared<TDebugBlockIndex>(block);
}

void LoadOtherDebugSource(TDovaroModuleInfo& module) {
  module.OtherDebugSource = CreateOtherDebugSource(reinterpret_cast<std::uintptr_t>(module.Handle));
}

void LoadExportedFunctions(TDovaroModuleInfo& module) {
  if (module.Handle == GetModuleHandleA(nullptr)) return;
  module.Functions =
      ReadExportedFunctions(LiveMemory(), reinterpret_cast<std::uintptr_t>(module.Handle));
  if (!module.Functions)
    module.Functions = std::make_shared<TDovaroFunctionsList>(std::vector<TDovaroFunctionInfo>{});
}

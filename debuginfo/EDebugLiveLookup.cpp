// LocateAddress over the live process: the module record that holds the
// address, read as it is, and the module's code through the live memory.
#include "debuginfo/EDebug.h"
#include "debuginfo/EDebugModules.h"
#include "engine/EngineContext.h"
#include "platform/memory/LiveMemory.h"

namespace {

TLookupServices LiveServices() {
  TLookupServices services;
  services.Code = &LiveMemory();
  services.MeasureProcedure = ProcedureLengthOfExport;
  const TEngineContext* context = EngineContext();
  services.ShowLibraryUnits = context && context->ReportingInternalError.load();
  return services;
}

}  // namespace

void LocateAddress(std::uintptr_t address, std::uint32_t threadId, TCodeLocation& location,
                   bool isExceptionAddress, bool stackOrigin) {
  TModuleDebugView view;
  if (TDovaroModuleInfo* module = FindModuleInfo(address)) view = ModuleDebugView(*module);
  LocateInModule(view, address, threadId, location, isExceptionAddress, stackOrigin,
                 LiveServices());
}

// The options unit's start and end. At load the current module registers
// itself with its ELDATA block; a module with engine data publishes its
// options in its shared options area (the option object does so whenever the
// current module's options change).
#include "engine/ECore.h"

#include "engine/EngineUnits.h"

namespace {

void ECoreInit() {
  RegisterModule(CurrentModuleHandle(), CurrentModuleFileName(), true);
}

void ECoreDone() {
  ReleaseSharedOptionsArea(CurrentModuleHandle());
}

struct TECoreUnit {
  TECoreUnit() { RunGuardedUnitStep("ECore.Init", ECoreInit); }
  ~TECoreUnit() { RunGuardedUnitStep("ECore.Done", ECoreDone); }
};

__attribute__((init_priority(ECORE_UNIT_PRIORITY))) TECoreUnit unit;

}  // namespace

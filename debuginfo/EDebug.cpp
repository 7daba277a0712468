// The debug information unit's start: modules registered from now on without
// usable ELDATA debug information get their other debug source.
#include "debuginfo/EDebug.h"

#include "debuginfo/EDebugModules.h"
#include "engine/ECoreModules.h"
#include "engine/EngineUnits.h"

namespace {

void EDebugInit() {
  SetOtherDebugSources(LoadOtherDebugSource);
}

void EDebugDone() {
  SetOtherDebugSources(nullptr);
}

struct TEDebugUnit {
  TEDebugUnit() { RunGuardedUnitStep("EDebug.Init", EDebugInit); }
  ~TEDebugUnit() { RunGuardedUnitStep("EDebug.Done", EDebugDone); }
};

__attribute__((init_priority(EDEBUG_UNIT_PRIORITY))) TEDebugUnit unit;

}  // namespace

// The hook unit's start and end. The unit starts after the options, debug
// information and leak units and before the interception unit, and ends
// after that unit, so the interception points stay in place while it ends.
#include "engine/EHook.h"

#include <memory>

#include "engine/EHookUnit.h"
#include "engine/EngineContext.h"
#include "engine/EngineUnits.h"

namespace {

struct THookUnit {
  std::unique_ptr<TImportPatchList> importPatches;
  std::unique_ptr<THookedMethodsList> hookedMethods;
  std::unique_ptr<TCodeHookList> codeHooks;
};

// Function-local, so it is built by the unit's first start and outlives its
// end.
THookUnit& Unit() {
  static THookUnit unit;
  return unit;
}

void StartHookUnit() {
  THookUnit& unit = Unit();
  if (!unit.importPatches) unit.importPatches = std::make_unique<TImportPatchList>();
  if (!unit.hookedMethods) unit.hookedMethods = std::make_unique<THookedMethodsList>();
  if (!unit.codeHooks) unit.codeHooks = std::make_unique<TCodeHookList>();
}

void EndHookUnit() {
  THookUnit& unit = Unit();
  unit.importPatches.reset();  // writes the replaced routines back
  unit.hookedMethods.reset();  // writes the replaced methods back
  unit.codeHooks.reset();      // restores the code hooks' targets, the last first
}

}  // namespace

TCodeHookList* ActiveCodeHooks() noexcept {
  return Unit().codeHooks.get();
}

TImportPatchList* ActiveImportPatches() noexcept {
  return Unit().importPatches.get();
}

THookedMethodsList* ActiveHookedMethods() noexcept {
  return Unit().hookedMethods.get();
}

TEngineThreadTest EngineThreadTest() noexcept {
  const TEngineContext* context = EngineContext();
  return context ? context->IsEngineThread : nullptr;
}

void EHookInit() noexcept {
  RunGuardedUnitStep("EHook.Init", StartHookUnit);
}

void EHookDone() noexcept {
  RunGuardedUnitStep("EHook.Done", EndHookUnit);
}

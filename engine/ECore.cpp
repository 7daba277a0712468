// The options unit's start and end. At start the current module registers
// itself with its ELDATA block; a module with engine data publishes its
// options in its shared options area (the option object does so whenever the
// current module's options change).
#include "engine/ECore.h"

#include "engine/EngineUnits.h"

namespace {

void RegisterCurrentModule() {
  RegisterModule(CurrentModuleHandle(), CurrentModuleFileName(), true);
}

void ReleaseCurrentModule() {
  ReleaseSharedOptionsArea(CurrentModuleHandle());
}

}  // namespace

void ECoreInit(TEngineContext& context) noexcept {
  engine_context_detail::Attach(&context);
  RunGuardedUnitStep("ECore.Init", RegisterCurrentModule);
}

void ECoreDone() noexcept {
  RunGuardedUnitStep("ECore.Done", ReleaseCurrentModule);
  engine_context_detail::Attach(nullptr);
}

#include "engine/EHook.h"

#include <memory>
#include <string>

#include "engine/EHookUnit.h"

namespace {

struct THookUnit {
  std::unique_ptr<TImportPatchList> importPatches;
  std::unique_ptr<THookedMethodsList> hookedMethods;
  std::unique_ptr<TCodeHookList> codeHooks;
};

THookUnit unit;

// Runs a unit step; any failure leaves it as the critical-error message.
template <class Body>
void RunGuardedStep(const char* stepName, Body body) {
  std::string message;
  try {
    body();
    return;
  } catch (const Exception& failure) {
    message = failure.Message();
  } catch (...) {
    message = "General internal error.";
  }
  throw Exception(std::string("Critical error at: \"") + stepName + "\"\r\nError: \"" + message +
                  "\".");
}

}  // namespace

TCodeHookList* ActiveCodeHooks() noexcept {
  return unit.codeHooks.get();
}

TImportPatchList* ActiveImportPatches() noexcept {
  return unit.importPatches.get();
}

THookedMethodsList* ActiveHookedMethods() noexcept {
  return unit.hookedMethods.get();
}

void EHookInit() {
  RunGuardedStep("EHook.Init", [] {
    if (!unit.importPatches) unit.importPatches = std::make_unique<TImportPatchList>();
    if (!unit.hookedMethods) unit.hookedMethods = std::make_unique<THookedMethodsList>();
    if (!unit.codeHooks) unit.codeHooks = std::make_unique<TCodeHookList>();
  });
}

void EHookDone() {
  RunGuardedStep("EHook.Done", [] {
    unit.importPatches.reset();  // undoes the import patches
    unit.hookedMethods.reset();  // undoes the method hooks
    unit.codeHooks.reset();      // undoes the code hooks, the last first
  });
}

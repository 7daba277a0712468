#include "engine/EngineUnits.h"

#include <windows.h>

#include <exception>

#include "engine/EngineContext.h"

namespace {

void ShowUnitStepFailure(const char*, const std::string& text) {
  OutputDebugStringA(text.c_str());
  MessageBoxA(nullptr, text.c_str(), "Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

TUnitStepFailureReporter FailureReporter() {
  const TEngineContext* context = EngineContext();
  return context && context->ReportUnitStepFailure ? context->ReportUnitStepFailure
                                                   : ShowUnitStepFailure;
}

}  // namespace

std::string CriticalErrorText(std::string_view stepName, std::string_view message) {
  return "Critical error at: \"" + std::string(stepName) + "\"\r\nError: \"" +
         std::string(message) + "\".";
}

void RunGuardedUnitStep(const char* stepName, void (*step)()) noexcept {
  std::string message;
  try {
    step();
    return;
  } catch (const std::exception& failure) {
    message = failure.what();
  } catch (...) {
  }
  try {
    if (message.empty()) message = "General internal error.";
    FailureReporter()(stepName, CriticalErrorText(stepName, message));
  } catch (...) {
    // Nothing is left to tell: the module goes on without the unit.
  }
}

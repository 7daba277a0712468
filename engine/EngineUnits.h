// The start and end of the engine's units. Each unit starts in a guarded step
// named after it ("ECore.Init", "EHook.Init", "ExceptionLog.Init") and ends in
// one ("ECore.Done", ...); the units start in this order, after the runtime:
// options, debug information, leak detection, hooks, interception.
#pragma once

#include <string>
#include <string_view>

// Static-object priorities of the units' start objects (lower starts first,
// ends last). Objects of a unit that its start uses must be constant-
// initialised or function-local statics.
#define ECORE_UNIT_PRIORITY 1000
#define EDEBUG_UNIT_PRIORITY 1100
#define ELEAKS_UNIT_PRIORITY 1200
#define EHOOK_UNIT_PRIORITY 1300
#define EXCEPTIONLOG_UNIT_PRIORITY 1400

// "Critical error at: \"<step>\"\r\nError: \"<message>\"."
std::string CriticalErrorText(std::string_view stepName, std::string_view message);

// Runs a unit step; an exception escaping it becomes CriticalErrorText (with
// "General internal error." for an exception that carries no message) and
// goes to the reporter. Never raises.
void RunGuardedUnitStep(const char* stepName, void (*step)()) noexcept;

// Where a failed unit step's text goes. The default writes it to the debugger
// output and shows it in a message box; the interception unit installs its
// internal-error report once it runs.
using TUnitStepFailureReporter = void (*)(const char* stepName, const std::string& text);
void SetUnitStepFailureReporter(TUnitStepFailureReporter reporter);

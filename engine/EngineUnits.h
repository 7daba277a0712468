// The guarded steps in which the engine's units start and end. Each unit
// starts in a step named after it ("ECore.Init", "EHook.Init",
// "ExceptionLog.Init") and ends in one ("ECore.Done", ...); the order is kept
// by engine/EngineStartup.h.
#pragma once

#include <string>
#include <string_view>

// "Critical error at: \"<step>\"\r\nError: \"<message>\"."
std::string CriticalErrorText(std::string_view stepName, std::string_view message);

// Runs a unit step; an exception escaping it becomes CriticalErrorText (with
// "General internal error." for an exception that carries no message) and
// goes to the engine context's failure reporter (the debugger output and a
// message box when there is none). Never raises.
void RunGuardedUnitStep(const char* stepName, void (*step)()) noexcept;

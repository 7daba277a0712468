// The engine's report of a failure of its own: an exception that escaped the
// handling sequence (or a unit step), with the section it was in.
#pragma once

#include <exception>
#include <string>

struct TExceptionLogEngine;

// Only when the host is the development environment or a debugger is
// attached, and never for EAbort or the engine's socket errors: one
// "[ERROR] - Section: ... - Address: ... - Message: ..." line to the debugger
// output, the ".log" file and the question to mail it (the report layer's
// internal-error report). Never raises.
void ReportInternalError(TExceptionLogEngine& engine, int section, const std::exception* failure,
                         const std::string& message) noexcept;

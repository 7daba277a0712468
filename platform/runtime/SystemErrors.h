// The system's own text for an error code.
#pragma once

#include <string>

// FormatMessage text without its trailing line break; empty when the system
// has no text for the code.
std::string SysErrorMessage(unsigned long code);

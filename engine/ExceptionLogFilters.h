// The exception filters of the options in effect: the first enabled filter
// that matches the exception decides its dialog, handler and after-action.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/ECoreOptions.h"

// The index of the first enabled filter whose class is the exception's class
// or one of its ancestors (`ancestry`, the class first), within its scope (1:
// only caught exceptions, 2: only uncaught ones); none when no filter matches.
std::optional<int> FindFilter(const TDovaroModuleOptions& options,
                              const std::vector<std::string>& ancestry, bool caughtByProgram);

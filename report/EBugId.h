// The bug identifier: four upper-case hexadecimal digits that group the
// reports of one fault. It is the CRC-16 (report/EHash.h) of the program's
// name and description, the exception's module name and type, and the
// routine and line-in-routine of every call stack row of the faulting thread
// that is known to its line. Only the line's distance from its routine's
// first line counts, so code added above a routine leaves the identifier of
// a fault inside it unchanged.
//
// Pure; allocates; never raises.
#pragma once

#include <string>
#include <string_view>

#include "debuginfo/EStackList.h"

// The text the identifier is the checksum of: the three values, then for
// each item with Precision lpLine whose OwnerThread is the first item's, its
// unit, class, routine and decimal RoutineLineOffset, without separators.
std::string BugIdentifierText(std::string_view nameDescription, std::string_view moduleName,
                              std::string_view exceptionType, const TDovaroStackList& stack);
std::string BugIdentifier(std::string_view nameDescription, std::string_view moduleName,
                          std::string_view exceptionType, const TDovaroStackList& stack);

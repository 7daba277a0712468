// The library's own units, hidden from call stacks: an address found in one
// of them is reported as the module alone, unless the library is reporting
// a fault in itself.
#pragma once

#include <string_view>

// True for a unit name (with or without extension) that is one of the
// library's units, or a topic file of one (the unit's name followed by an
// upper-case topic, as "EDebugBlock" of "EDebug").
bool IsLibraryOwnUnit(std::string_view unitName);

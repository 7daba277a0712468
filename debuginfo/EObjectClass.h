// The class name of a live C++ object of any module, read with checked
// memory reads only: the object's first word is its method table, the word
// before the table points at the class's type information, and that holds
// the class's encoded name. An address that is not such an object (null,
// wild, a stack slot, a non-polymorphic value) gives no name; nothing faults.
//
// Pure apart from the name decoding of the C++ runtime (which allocates).
#pragma once

#include <optional>
#include <string>

#include "platform/memory/MemoryReader.h"

// True when the address lies inside a loaded module's image.
using TImageAddressTest = bool (*)(TAddress address);

std::optional<std::string> ObjectClassName(const TMemoryReader& memory, TAddress object,
                                           TImageAddressTest insideImage);

// The readable encoded class name of a type-information record as C++ text
// ("N5outer5InnerE" gives "outer::Inner"); none when it is no class name.
std::optional<std::string> DecodedTypeName(const std::string& encoded);

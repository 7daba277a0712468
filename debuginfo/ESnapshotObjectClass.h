// The class of a polymorphic object of any module of the process, read with
// checked memory reads only: the object's table pointer, the type record
// stored just before the table, and that record's name. A null, wild, stack
// or non-polymorphic pointer gives no class instead of a fault: the table,
// the type record, the record's own table and its name must all lie inside
// loaded images. Pure: no windows.h; never raises.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/memory/MemoryReader.h"

// Whether an address lies inside a loaded module's image.
using TInsideImageTest = bool (*)(TAddress address);

struct TObjectClass {
  TAddress TypeInfo = 0;  // the class's type record
  std::string Name;       // demangled: "TThread", "engine::TSendThread"
};

// The class of the object at `object`, or none.
std::optional<TObjectClass> ReadObjectClass(const TMemoryReader& memory, TAddress object,
                                            TInsideImageTest insideImage);

// A type record's name in readable form: "7TThread" gives "TThread",
// "N6engine11TSendThreadE" gives "engine::TSendThread"; other forms come back
// as they are.
std::string ReadableTypeName(std::string_view mangled);

// The class name of a live object of this process (the live memory reader
// and the loaded modules), or empty.
std::string LiveObjectClassName(const void* object);

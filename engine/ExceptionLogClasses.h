// What the engine reads of an exception object of any module in the process:
// whether it is a valid object at all, its class and its ancestors' names,
// and its message. Objects of other modules have type information of their
// own, so classes are compared by name, read through checked memory reads;
// nothing is called on an object unless its ancestry says it is a
// std::exception at the object's start.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/MemoryReader.h"

// The class of an object and its ancestors, the class itself first, in
// readable form ("EAccessViolation", "std::exception", "outer::Inner").
// Empty when the address holds no valid polymorphic object.
std::vector<std::string> ClassAncestry(const void* object);

// True when the object's class or one of its ancestors has the name (as
// names compare: without regard to case, surrounding blanks ignored).
bool InheritsFromName(const std::vector<std::string>& ancestry, std::string_view name);

bool IsValidObject(const void* object);
// The silent exception (class EAbort or a descendant).
bool IsAbortException(const void* object);

// The object's message when it is a std::exception, else none.
std::optional<std::string> ExceptionMessage(const void* object);

// The class name of a valid object, else empty.
std::string ExceptionClassName(const void* object);

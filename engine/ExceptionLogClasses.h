// What the engine reads of an exception object of any module in the process:
// whether it is a valid object at all, its class and its ancestors' names,
// and its message. Objects of other modules have type information of their
// own, so classes are compared by name, read through checked memory reads;
// nothing is called on an object unless its ancestry says it is a
// std::exception at the object's start.
#pragma once

#include <array>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "platform/memory/MemoryReader.h"

// The class of an object and its ancestors, the class itself first, in
// readable form ("EAccessViolation", "std::exception", "outer::Inner").
// Empty when the address holds no valid polymorphic object.
std::vector<std::string> ClassAncestry(const void* object);

// True when the object's class or one of its ancestors has the name (as
// names compare: without regard to case, surrounding blanks ignored).
bool InheritsFromName(const std::vector<std::string>& ancestry, std::string_view name);

// ClassAncestry for the language raises of one engine. A thrown object's
// class is the thrown type itself, so the ancestry is kept by the type's
// record (checked against its name, which a module loaded in the place of
// an unloaded one would not share): a class raised again costs no reads of
// its type records. Any thread may ask.
class TClassAncestryCache {
 public:
  // `type` is the thrown type of a language raise; without one (an object
  // the engine made for an operating-system exception) nothing is kept.
  std::vector<std::string> Ancestry(const void* object, const std::type_info* type);

 private:
  struct TEntry {
    const std::type_info* Type = nullptr;
    const char* Name = nullptr;
    std::vector<std::string> Names;
  };
  std::mutex lock_;
  std::array<TEntry, 16> entries_{};
  std::size_t next_ = 0;  // the oldest entry, replaced next
};

bool IsValidObject(const void* object);
// The silent exception (class EAbort or a descendant).
bool IsAbortException(const void* object);

// The object's message when it is a std::exception, else none.
std::optional<std::string> ExceptionMessage(const void* object);

// The class name of a valid object, else empty.
std::string ExceptionClassName(const void* object);

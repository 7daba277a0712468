// Published event properties: a class that wants its event properties found
// by name (as the exception engine does when it attaches to an object's
// "OnException") lists them in a table of its own. C++ has no run-time type
// information for properties, so this registry is explicit.
//
// Lookups take no lock and allocate nothing; they never raise.
#pragma once

#include <span>
#include <string_view>

// A method reference: the code to call and the object it is called for.
struct TMethod {
  void* Code = nullptr;
  void* Data = nullptr;
};
static_assert(sizeof(TMethod) == 8);

class TPublishedObject;

// One published event property: its name and how to reach its slot in an
// object of the class that lists it.
struct TPublishedEvent {
  const char* Name;
  TMethod* (*Slot)(TPublishedObject& object);
};

// Base of the classes whose event properties are published.
class TPublishedObject {
 public:
  virtual ~TPublishedObject() = default;
  // The class's published event properties; the table lives as long as the
  // program.
  virtual std::span<const TPublishedEvent> PublishedEvents() const noexcept = 0;
};

// The slot of the event property called `name` (compared without regard to
// case, as property names are), or nullptr when the class does not publish
// one.
TMethod* FindPublishedEvent(TPublishedObject& object, std::string_view name) noexcept;

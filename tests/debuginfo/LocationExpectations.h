// Shared checks of the debug lookups' tests: what a location should name.
#pragma once

#include <gtest/gtest.h>

#include "debuginfo/EDebugLocate.h"

struct ExpectedLocation {
  const char* Unit;
  const char* OwnerClass;
  const char* Routine;
  std::int32_t Line;
  std::int32_t LineOffset;
};

inline void ExpectLocation(const TCodeLocation& location, const ExpectedLocation& expected) {
  EXPECT_EQ(location.SourceUnit.Str(), expected.Unit);
  EXPECT_EQ(location.OwnerClass.Str(), expected.OwnerClass);
  EXPECT_EQ(location.RoutineName.Str(), expected.Routine);
  EXPECT_EQ(location.SourceLine, expected.Line);
  EXPECT_EQ(location.RoutineLineOffset, expected.LineOffset);
}

// A lookup in a known module whose only debug information is `source`.
inline TCodeLocation LocateWithOtherSource(const TELDebugInfoSource& source,
                                           std::uintptr_t address) {
  TModuleDebugView view;
  view.Known = true;
  view.OtherSource = &source;
  TCodeLocation location{};
  LocateInModule(view, address, 0, location, false, false, {});
  return location;
}

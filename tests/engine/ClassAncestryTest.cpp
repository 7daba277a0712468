// The classes of exception objects as the engine reads them, and the cache
// of the raises' classes kept by their thrown type.
#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

#include "engine/ExceptionLogClasses.h"
#include "platform/runtime/Exception.h"

namespace {

class EOuterFailure : public EInOutError {
 public:
  using EInOutError::EInOutError;
};

template <int N>
struct TNumbered : std::runtime_error {
  TNumbered() : std::runtime_error("numbered") {}
};

template <int... N>
void ExpectCachedEqualsRead(TClassAncestryCache& cache, std::integer_sequence<int, N...>) {
  (
      [&] {
        TNumbered<N> object;
        EXPECT_EQ(cache.Ancestry(&object, &typeid(object)), ClassAncestry(&object)) << N;
      }(),
      ...);
}

}  // namespace

TEST(ClassAncestry, ClassAndAncestorsNearestFirst_AnOtherObjectHasNone) {
  const EOuterFailure failure("disk full");
  const std::vector<std::string> ancestry = ClassAncestry(&failure);
  ASSERT_GE(ancestry.size(), 3u);
  EXPECT_EQ(ancestry[0], "EOuterFailure");
  EXPECT_EQ(ancestry[1], "EInOutError");
  EXPECT_TRUE(InheritsFromName(ancestry, "einouterror ")) << "case and blanks do not count";
  EXPECT_TRUE(InheritsFromName(ancestry, "std::exception"));
  EXPECT_FALSE(InheritsFromName(ancestry, "EAbort"));
  EXPECT_EQ(ExceptionMessage(&failure), "disk full");
  const int plain = 7;
  EXPECT_TRUE(ClassAncestry(&plain).empty());
  EXPECT_TRUE(ClassAncestry(nullptr).empty());
}

TEST(ClassAncestry, Cache_GivesWhatTheObjectsRecordsSayForMoreClassesThanItKeeps) {
  TClassAncestryCache cache;
  // Twice over more classes than the cache keeps: every answer is right,
  // whether it came from the records or from the cache.
  for (int round = 0; round < 2; ++round) {
    ExpectCachedEqualsRead(cache, std::make_integer_sequence<int, 20>());
  }
  const EOuterFailure failure("x");
  EXPECT_EQ(cache.Ancestry(&failure, &typeid(failure)).front(), "EOuterFailure");
  EXPECT_EQ(cache.Ancestry(&failure, &typeid(failure)).front(), "EOuterFailure");
  EXPECT_EQ(cache.Ancestry(&failure, nullptr).front(), "EOuterFailure") << "no type: read";
}

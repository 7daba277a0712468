#include "tests/support/EngineEnvironment.h"

#include <gtest/gtest.h>

#include "engine/EngineStartup.h"

namespace {

TEngineContext context;

class TEngineEnvironment : public testing::Environment {
 public:
  void SetUp() override { StartEngineUnits(context); }
  void TearDown() override { EndEngineUnits(); }
};

// GoogleTest owns and deletes the environment.
[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new TEngineEnvironment);

}  // namespace

TEngineContext& TestEngineContext() {
  return context;
}

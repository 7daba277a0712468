// Property hooks through the explicit registry of published event
// properties.
#include <gtest/gtest.h>

#include "engine/EHookProperty.h"

namespace {

class TServerController : public TPublishedObject {
 public:
  TMethod OnException;
  TMethod OnIdle;

  std::span<const TPublishedEvent> PublishedEvents() const noexcept override {
    static constexpr TPublishedEvent kEvents[] = {
        {"OnException",
         [](TPublishedObject& o) { return &static_cast<TServerController&>(o).OnException; }},
        {"OnIdle", [](TPublishedObject& o) { return &static_cast<TServerController&>(o).OnIdle; }},
    };
    return kEvents;
  }
};

int handlerCode, otherCode, engineCode;
int handlerData, engineData;

}  // namespace

TEST(PropertyHook, PublishedEvent_IsSwappedAndThePreviousHandlerHandedBack) {
  TServerController controller;
  controller.OnException = {&handlerCode, &handlerData};
  TMethod previous;
  EXPECT_TRUE(HookProperty(&controller, "onexception", {&engineCode, &engineData}, previous));
  EXPECT_EQ(previous.Code, &handlerCode);
  EXPECT_EQ(previous.Data, &handlerData);
  EXPECT_EQ(controller.OnException.Code, &engineCode);
  EXPECT_EQ(controller.OnException.Data, &engineData);
  EXPECT_EQ(controller.OnIdle.Code, nullptr) << "other properties stay";
}

TEST(PropertyHook, PropertyAlreadyHoldingTheHandler_StaysAsItIs) {
  TServerController controller;
  controller.OnException = {&engineCode, &engineData};
  TMethod previous = {&otherCode, nullptr};
  EXPECT_TRUE(HookProperty(&controller, "OnException", {&engineCode, &engineData}, previous));
  EXPECT_EQ(previous.Code, &otherCode) << "nothing handed back";
  EXPECT_EQ(controller.OnException.Code, &engineCode);
}

TEST(PropertyHook, MissingObjectOrProperty_ChangesNothing) {
  TServerController controller;
  TMethod previous = {&otherCode, nullptr};
  EXPECT_FALSE(HookProperty(nullptr, "OnException", {&engineCode, nullptr}, previous));
  EXPECT_FALSE(HookProperty(&controller, "OnError", {&engineCode, nullptr}, previous));
  EXPECT_EQ(previous.Code, &otherCode);
  EXPECT_EQ(controller.OnException.Code, nullptr);
}

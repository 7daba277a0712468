// Virtual-method hooks on C++ classes: the method table's slot is replaced,
// so calls through every object of the class reach the replacement.
#include <gtest/gtest.h>

#include "engine/EHook.h"
#include "tests/engine/support/HookUnitScope.h"
#include "tests/engine/support/VirtualCounter.h"

namespace {

using TValueMethod = int(__attribute__((thiscall)) *)(const TCounter*);
TValueMethod originalValue = nullptr;

int __attribute__((thiscall)) ValuePlusForty(const TCounter* self) {
  return 40 + originalValue(self);
}

int __attribute__((thiscall)) ValueNinetyNine(const TCounter*) {
  return 99;
}

}  // namespace

TEST(MethodHook, ValueSlot_IsFoundFromThePointerToMember) {
  // Two destructor entries come first in the Itanium ABI's table.
  EXPECT_EQ(VirtualMethodSlot(&TCounter::Value), 2);
  EXPECT_EQ(VirtualMethodSlot(&TCounter::Scaled), 3);
}

TEST(MethodHook, CallsThroughObjects_GoToTheReplacementUntilUnhooked) {
  THookUnitScope unit;
  const TCounter first, second;
  const TOtherCounter other;
  const TMethodTable table = MethodTableOf(first);
  const std::ptrdiff_t slot = VirtualMethodSlot(&TCounter::Value);

  originalValue = reinterpret_cast<TValueMethod>(
      HookVirtualMethod(table, slot, reinterpret_cast<void*>(&ValuePlusForty)));
  ASSERT_NE(originalValue, nullptr);
  EXPECT_EQ(CallValue(first), 41);
  EXPECT_EQ(CallValue(second), 41);
  EXPECT_EQ(CallScaled(first, 2), 82) << "calls from inside the class too";
  EXPECT_EQ(CallValue(other), 2) << "another class has its own table";

  EXPECT_TRUE(UnhookVirtualMethod(table, slot));
  EXPECT_EQ(CallValue(first), 1);
  EXPECT_FALSE(UnhookVirtualMethod(table, slot));
}

TEST(MethodHook, HookingAgainWithTheSameMethod_ReturnsTheRecordedOriginal) {
  THookUnitScope unit;
  const TCounter counter;
  const TMethodTable table = MethodTableOf(counter);
  const std::ptrdiff_t slot = VirtualMethodSlot(&TCounter::Value);
  void* const replacement = reinterpret_cast<void*>(&ValueNinetyNine);

  void* original = HookVirtualMethod(table, slot, replacement);
  EXPECT_EQ(HookVirtualMethod(table, slot, replacement), original);
  EXPECT_EQ(CallValue(counter), 99);
}

TEST(MethodHook, SlotHookedAgainWithAnotherMethod_UnhooksToTheClassMethod) {
  const TCounter counter;
  const TMethodTable table = MethodTableOf(counter);
  const std::ptrdiff_t slot = VirtualMethodSlot(&TCounter::Value);
  {
    THookUnitScope unit;
    originalValue = reinterpret_cast<TValueMethod>(
        HookVirtualMethod(table, slot, reinterpret_cast<void*>(&ValuePlusForty)));
    EXPECT_EQ(HookVirtualMethod(table, slot, reinterpret_cast<void*>(&ValueNinetyNine)),
              reinterpret_cast<void*>(&ValuePlusForty))
        << "the method it replaced";
    EXPECT_EQ(CallValue(counter), 99);
    EXPECT_TRUE(UnhookVirtualMethod(table, slot));
    EXPECT_EQ(CallValue(counter), 1);
    EXPECT_FALSE(UnhookVirtualMethod(table, slot)) << "one record per slot";
    HookVirtualMethod(table, slot, reinterpret_cast<void*>(&ValueNinetyNine));
  }
  EXPECT_EQ(CallValue(counter), 1) << "the unit's end restores the class method";
}

TEST(MethodHook, UnitEnd_RestoresEveryMethodHook) {
  const TCounter counter;
  const TOtherCounter other;
  {
    THookUnitScope unit;
    const std::ptrdiff_t slot = VirtualMethodSlot(&TCounter::Value);
    HookVirtualMethod(MethodTableOf(counter), slot, reinterpret_cast<void*>(&ValueNinetyNine));
    HookVirtualMethod(MethodTableOf(other), slot, reinterpret_cast<void*>(&ValueNinetyNine));
    ASSERT_EQ(CallValue(counter) + CallValue(other), 198);
  }
  EXPECT_EQ(CallValue(counter), 1);
  EXPECT_EQ(CallValue(other), 2);
}

TEST(MethodHook, TableOutsideAnyModule_IsLeftAlone) {
  THookUnitScope unit;
  void* stackTable[4] = {nullptr, nullptr, reinterpret_cast<void*>(1), nullptr};
  EXPECT_EQ(HookVirtualMethod(stackTable, 2, reinterpret_cast<void*>(&ValueNinetyNine)), nullptr);
  EXPECT_EQ(stackTable[2], reinterpret_cast<void*>(1));
}

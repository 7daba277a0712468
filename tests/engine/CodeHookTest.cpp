// Code hooks on hand-assembled routines in executable memory: the hooked
// routine reaches the replacement, and the trampoline behaves like the
// routine did.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/EHook.h"
#include "tests/engine/support/ExecutableMemory.h"
#include "tests/engine/support/HookUnitScope.h"

namespace {

using TFastcallRoutine = int(__attribute__((fastcall)) *)(int);
using TCdeclRoutine = int (*)();
using TArgumentRoutine = int (*)(int);

TFastcallRoutine fastcallTrampoline = nullptr;
TCdeclRoutine cdeclTrampoline = nullptr;
TArgumentRoutine argumentTrampoline = nullptr;

int __attribute__((fastcall)) PlusHundred(int value) {
  return 100 + fastcallTrampoline(value);
}

int PlusThousand() {
  return 1000 + cdeclTrampoline();
}

int TimesTen(int value) {
  return 10 * argumentTrampoline(value);
}

int Minus(int value) {
  return -value;
}

std::vector<std::uint8_t> BytesAt(const void* address, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(address);
  return std::vector<std::uint8_t>(bytes, bytes + count);
}

// fastcall f(x): x == 0 ? 7 : x + 1, with a short jz out of the first 5 bytes.
void PutZeroTest(TExecutableMemory& code, std::size_t at) {
  code.Put(at, {
                   0x31, 0xC0,                 // xor eax,eax
                   0x85, 0xC9,                 // test ecx,ecx
                   0x74, 0x08,                 // jz +8 (to at + 0E)
                   0x8D, 0x41, 0x01,           // lea eax,[ecx+1]
                   0xC3,                       // ret
                   0xCC, 0xCC, 0xCC, 0xCC,     // padding
                   0xB8, 0x07, 0,    0,    0,  // mov eax,7
                   0xC3,                       // ret
               });
}

// cdecl f(x) = x + 1 starting with a 4-byte instruction.
void PutIncrement(TExecutableMemory& code, std::size_t at) {
  code.Put(at, {0x8B, 0x44, 0x24, 0x04, 0x83, 0xC0, 0x01, 0xC3});
}

}  // namespace

TEST(CodeHook, ShortConditionalJumpOutOfTheFirstBytes_WorksThroughTheTrampoline) {
  TExecutableMemory code;
  THookUnitScope unit;
  PutZeroTest(code, 0);
  const auto routine = code.Routine<TFastcallRoutine>(0);
  ASSERT_EQ(routine(0), 7);
  ASSERT_EQ(routine(5), 6);

  fastcallTrampoline = HookProcedure(routine, &PlusHundred, "ZeroTest");
  ASSERT_NE(fastcallTrampoline, nullptr);
  EXPECT_EQ(routine(0), 107) << "the branch taken inside the trampoline";
  EXPECT_EQ(routine(5), 106) << "the trampoline falls through and jumps back";
  EXPECT_EQ(fastcallTrampoline(0), 7);
  EXPECT_EQ(fastcallTrampoline(5), 6);
  EXPECT_EQ(code.At(0)[0], 0xE9);
  EXPECT_EQ(code.Protection(0), static_cast<DWORD>(PAGE_EXECUTE_READ)) << "protection restored";
}

TEST(CodeHook, Rel32CallAmongTheCoveredBytes_IsRelocated) {
  TExecutableMemory code;
  THookUnitScope unit;
  code.PutRelative(0, 0xE8, 0x40);               // call helper
  code.Put(5, {0x83, 0xC0, 0x02, 0xC3});         // add eax,2; ret
  code.Put(0x40, {0xB8, 0x28, 0x00, 0x00, 0x00,  // helper: mov eax,40
                  0xC3});                        // ret
  const auto routine = code.Routine<TCdeclRoutine>(0);
  ASSERT_EQ(routine(), 42);

  cdeclTrampoline = HookProcedure(routine, &PlusThousand, "CallsHelper");
  EXPECT_EQ(routine(), 1042);
  EXPECT_EQ(cdeclTrampoline(), 42);
}

TEST(CodeHook, Rel32JumpAsTheFirstInstruction_IsRelocated) {
  TExecutableMemory code;
  THookUnitScope unit;
  code.PutRelative(0, 0xE9, 0x40);  // jmp increment
  PutIncrement(code, 0x40);
  const auto routine = code.Routine<TArgumentRoutine>(0);

  argumentTrampoline = HookProcedure(routine, &TimesTen, "JumpsOn");
  EXPECT_EQ(routine(4), 50);
  EXPECT_EQ(argumentTrampoline(4), 5);
}

TEST(CodeHook, RoutineReachedThroughAnIndirectJumpThunk_IsHookedAtItsDestination) {
  TExecutableMemory code;
  THookUnitScope unit;
  PutIncrement(code, 0x40);
  code.Put(0, {0xFF, 0x25});  // jmp [pointer]
  code.Put32(2, code.AddressOf(0x20));
  code.Put32(0x20, code.AddressOf(0x40));
  const std::vector<std::uint8_t> thunk = BytesAt(code.At(0), 6);
  const auto viaThunk = code.Routine<TArgumentRoutine>(0);

  argumentTrampoline = HookProcedure(viaThunk, &TimesTen, "Thunked");
  EXPECT_EQ(BytesAt(code.At(0), 6), thunk) << "the thunk itself stays";
  EXPECT_EQ(code.At(0x40)[0], 0xE9) << "the routine is patched";
  EXPECT_EQ(viaThunk(2), 30);
  EXPECT_EQ(argumentTrampoline(2), 3);

  EXPECT_TRUE(UnhookProcedure(code.At(0))) << "unhooking through the thunk finds the routine";
  EXPECT_EQ(viaThunk(2), 3);
}

TEST(CodeHook, ReplacementReachedThroughAThunk_IsFollowedToo) {
  TExecutableMemory code;
  THookUnitScope unit;
  PutIncrement(code, 0);
  code.Put(0x40, {0xFF, 0x25});
  code.Put32(0x42, code.AddressOf(0x60));
  code.Put32(0x60, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&Minus)));

  HookProcedure(code.Routine<TArgumentRoutine>(0), code.Routine<TArgumentRoutine>(0x40), "x");
  std::int32_t displacement;
  std::memcpy(&displacement, code.At(1), sizeof displacement);
  EXPECT_EQ(code.AddressOf(5) + displacement, reinterpret_cast<std::uintptr_t>(&Minus));
  EXPECT_EQ(code.Routine<TArgumentRoutine>(0)(9), -9);
}

TEST(CodeHook, HookingTwice_ReturnsTheSameTrampolineAndLeavesOneJump) {
  TExecutableMemory code;
  THookUnitScope unit;
  PutIncrement(code, 0);
  const auto routine = code.Routine<TArgumentRoutine>(0);
  argumentTrampoline = HookProcedure(routine, &TimesTen, "Twice");
  const std::vector<std::uint8_t> patched = BytesAt(code.At(0), 8);

  EXPECT_EQ(HookProcedure(routine, &Minus, "Twice"), argumentTrampoline);
  EXPECT_EQ(BytesAt(code.At(0), 8), patched);
  EXPECT_EQ(routine(1), 20) << "still the first replacement";
}

TEST(CodeHook, UnhookByTargetOrByTrampoline_RestoresTheRoutine) {
  for (const bool byTrampoline : {false, true}) {
    SCOPED_TRACE(byTrampoline ? "by trampoline" : "by target");
    TExecutableMemory code;
    THookUnitScope unit;
    PutZeroTest(code, 0);
    const std::vector<std::uint8_t> original = BytesAt(code.At(0), 20);
    const auto routine = code.Routine<TFastcallRoutine>(0);
    fastcallTrampoline = HookProcedure(routine, &PlusHundred, "Restored");

    const void* address = byTrampoline ? reinterpret_cast<void*>(fastcallTrampoline)
                                       : reinterpret_cast<void*>(routine);
    EXPECT_TRUE(UnhookProcedure(address));
    EXPECT_EQ(BytesAt(code.At(0), 20), original);
    EXPECT_EQ(routine(0), 7);
    EXPECT_EQ(routine(5), 6);
    EXPECT_EQ(code.Protection(0), static_cast<DWORD>(PAGE_EXECUTE_READ));
    EXPECT_FALSE(UnhookProcedure(address)) << "nothing left to unhook";
  }
}

TEST(CodeHook, RoutineEndingWithPaddingBeforeFiveBytes_IsHookable) {
  TExecutableMemory code;
  THookUnitScope unit;
  code.Put(0, {0x31, 0xC0, 0xC3, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC});  // xor eax,eax; ret; int3...
  cdeclTrampoline = HookProcedure(code.Routine<TCdeclRoutine>(0), &PlusThousand, "Zero");
  EXPECT_EQ(code.Routine<TCdeclRoutine>(0)(), 1000);
}

TEST(CodeHook, Failures_CarryTheirTextsAndClasses) {
  TExecutableMemory code;
  code.Put(0, {0x31, 0xC0, 0xC3, 0x55, 0x89, 0xE5});  // ends before 5 bytes, code follows
  TReadableThenInaccessible pages;
  {
    THookUnitScope unit;
    try {
      HookProcedure(nullptr, reinterpret_cast<void*>(&Minus), "Nothing");
      ADD_FAILURE() << "a null target was hooked";
    } catch (const EProcNull& failure) {
      EXPECT_STREQ(failure.what(), "Cannot hook a null procedure (\"Nothing\").");
    }
    try {
      HookProcedure(code.At(0), reinterpret_cast<void*>(&Minus), "Short");
      ADD_FAILURE() << "a routine shorter than the jump was hooked";
    } catch (const EHookingError& failure) {
      EXPECT_STREQ(failure.what(), "Cannot hook the procedure \"Short\".");
    }
    EXPECT_EQ(code.At(0)[3], 0x55) << "the code after the short routine is untouched";
    EXPECT_THROW(HookProcedure(pages.Inaccessible(), reinterpret_cast<void*>(&Minus), "Hidden"),
                 EHookingError);
    EXPECT_THROW(HookProcedure(pages.Readable() + 4093, reinterpret_cast<void*>(&Minus), "Edge"),
                 EHookingError)
        << "the instructions run into the unreadable page";
  }
  EXPECT_THROW(HookProcedure(code.At(0), reinterpret_cast<void*>(&Minus), "Stopped"), EHookingError)
      << "the hook unit is not started";
  EXPECT_FALSE(UnhookProcedure(code.At(0)));
}

// Code hooks written and undone while another thread runs the routine: the
// thread is suspended during each write, and when it stands in the bytes
// being replaced it goes on in the trampoline (or, on unhooking, back in the
// routine) at the instruction that does the same work.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <stop_token>
#include <thread>

#include "engine/EHook.h"
#include "tests/engine/support/ExecutableMemory.h"
#include "tests/engine/support/HookUnitScope.h"
#include "tests/engine/support/TestThreads.h"
#include "tests/support/EngineEnvironment.h"

namespace {

using TSumRoutine = int(__attribute__((fastcall)) *)(int count, int start);

std::atomic<std::uint32_t> originalCalls{0};
std::atomic<std::uint32_t> replacementCalls{0};
DWORD engineThreadId = 0;

int __attribute__((fastcall)) CountedSum(int count, int start) {
  replacementCalls.fetch_add(1);
  return start + count;
}

bool IsEngineThread(unsigned long threadId) {
  return threadId == engineThreadId;
}

// Names one thread as the engine's while it lives.
class TEngineThreadScope {
 public:
  explicit TEngineThreadScope(DWORD threadId) {
    engineThreadId = threadId;
    TestEngineContext().IsEngineThread = &IsEngineThread;
  }
  ~TEngineThreadScope() {
    TestEngineContext().IsEngineThread = nullptr;
    engineThreadId = 0;
  }
  TEngineThreadScope(const TEngineThreadScope&) = delete;
  TEngineThreadScope& operator=(const TEngineThreadScope&) = delete;
};

// fastcall f(count >= 1, start) = start + count, counted in originalCalls.
// The loop lies inside the 6 bytes the jump covers, so a thread running the
// routine almost always stands there; its exit, jz, leaves them through a
// stub. The trampoline: the copy at 0-5, the jump back at 6, the stub at 11.
void PutCountingSum(TExecutableMemory& code) {
  code.Put(0, {
                  0x42,              // 0: inc edx
                  0x49,              // 1: dec ecx
                  0x74, 0x04,        // 2: jz 8
                  0xEB, 0xFA,        // 4: jmp 0
                  0xCC, 0xCC,        // 6: never reached
                  0x89, 0xD0,        // 8: mov eax,edx
                  0xF0, 0xFF, 0x05,  // A: lock inc dword [originalCalls]
              });
  code.Put32(0x0D, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&originalCalls)));
  code.Put(0x11, {0xC3});  // ret
}

// Holds a thread suspended and, at the end, gives it back the context it had
// and resumes it, also when an assertion ends the test early.
class THeldThread {
 public:
  explicit THeldThread(HANDLE thread) : thread_(thread) {
    SuspendThread(thread_);
    saved_.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(thread_, &saved_);
  }
  ~THeldThread() {
    SetThreadContext(thread_, &saved_);
    ResumeThread(thread_);
  }
  THeldThread(const THeldThread&) = delete;
  THeldThread& operator=(const THeldThread&) = delete;

 private:
  HANDLE thread_;
  CONTEXT saved_{};
};

}  // namespace

TEST(CodeHookThreads, ThreadSpinningThroughTheRoutine_KeepsRightResultsWhileHookedAndUnhooked) {
  constexpr int kRounds = 200;
  TExecutableMemory code;
  THookUnitScope unit;
  PutCountingSum(code);
  const auto routine = code.Routine<TSumRoutine>(0);
  ASSERT_EQ(routine(3, 10), 13);
  originalCalls = 0;
  replacementCalls = 0;

  std::atomic<std::uint32_t> calls{0}, wrong{0};
  std::jthread spinner([&](std::stop_token stop) {
    for (std::uint32_t i = 0; !stop.stop_requested(); ++i) {
      const int count = 1 + static_cast<int>(i % 64);
      const int start = static_cast<int>(i);
      if (routine(count, start) != start + count) wrong.fetch_add(1);
      calls.store(i + 1);
    }
  });
  // Two more calls: the second of them began after the write, so each round
  // runs the replacement and the original at least once.
  auto waitForTwoCalls = [&] {
    const std::uint32_t goal = calls.load() + 2;
    while (calls.load() < goal) SwitchToThread();
  };
  int hooked = 0, unhooked = 0;
  for (int round = 0; round < kRounds; ++round) {
    if (HookProcedure(routine, &CountedSum, "Spun")) ++hooked;
    waitForTwoCalls();
    if (UnhookProcedure(reinterpret_cast<void*>(routine))) ++unhooked;
    waitForTwoCalls();
  }
  spinner.request_stop();
  spinner.join();

  EXPECT_EQ(hooked, kRounds);
  EXPECT_EQ(unhooked, kRounds);
  EXPECT_EQ(wrong.load(), 0u);
  EXPECT_EQ(originalCalls.load() + replacementCalls.load(), calls.load())
      << "every call ran one of the two to its end";
  EXPECT_GE(replacementCalls.load(), static_cast<std::uint32_t>(kRounds));
  EXPECT_GE(originalCalls.load(), static_cast<std::uint32_t>(kRounds));
  EXPECT_EQ(code.At(0)[0], 0x42) << "the routine is restored";
}

// A thread that the test holds suspended is placed at a known instruction;
// the hook's own freeze suspends it once more, moves it, and leaves it held.
TEST(CodeHookThreads, ThreadParkedInTheReplacedBytes_GoesOnAtTheSameInstruction) {
  struct TPlace {
    bool inTrampoline;
    std::size_t offset;
  };
  struct TRow {
    const char* text;
    bool whileUnhooking;  // parked after hooking, looked at after unhooking
    TPlace parked;
    TPlace expected;
    bool engineThread;
  };
  const TRow rows[] = {
      {"hooking: inside the covered bytes", false, {false, 1}, {true, 1}, false},
      {"hooking: at the entry, which the loop comes back to", false, {false, 0}, {true, 0}, false},
      {"hooking: at the jump back to the entry", false, {false, 4}, {true, 4}, false},
      {"hooking: past the covered bytes", false, {false, 8}, {false, 8}, false},
      {"hooking: an engine thread is left alone", false, {false, 2}, {false, 2}, true},
      {"unhooking: in the copy", true, {true, 2}, {false, 2}, false},
      {"unhooking: at the trampoline's jump back", true, {true, 6}, {false, 6}, false},
      {"unhooking: at the exit stub, to the branch's destination",
       true,
       {true, 11},
       {false, 8},
       false},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.text);
    TExecutableMemory code;
    THookUnitScope unit;
    PutCountingSum(code);
    const auto routine = code.Routine<TSumRoutine>(0);
    TWaitingThread parked;
    TEngineThreadScope engine(row.engineThread ? parked.Id() : 0);
    std::uintptr_t trampoline = 0;
    auto address = [&](TPlace place) {
      const std::uintptr_t base = place.inTrampoline ? trampoline : code.AddressOf(0);
      return static_cast<DWORD>(base + place.offset);
    };

    const THeldThread held(parked.Handle());
    if (!row.whileUnhooking) SetInstructionPointer(parked.Handle(), address(row.parked));
    trampoline = reinterpret_cast<std::uintptr_t>(HookProcedure(routine, &CountedSum, "Parked"));
    if (row.whileUnhooking) {
      SetInstructionPointer(parked.Handle(), address(row.parked));
      EXPECT_TRUE(UnhookProcedure(reinterpret_cast<void*>(routine)));
    }
    EXPECT_EQ(InstructionPointer(parked.Handle()), address(row.expected));
    EXPECT_EQ(SuspendCount(parked.Handle()), 1u) << "held by the test alone again";
  }
}

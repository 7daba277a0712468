// The freeze that code patching holds: it suspends the other threads of the
// process once each, leaves the calling thread and the engine's own threads
// running, and gives every thread back the suspend count it had.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/EHookThreadFreeze.h"
#include "tests/engine/support/TestThreads.h"

TEST(ThreadFreeze, OtherThreads_AreSuspendedOnceAndResumedToTheirCounts) {
  struct TRow {
    const char* text;
    DWORD heldBefore;  // suspensions the test holds across the freeze
    bool engineThread;
    DWORD countDuring;
  };
  const TRow rows[] = {
      {"a running thread", 0, false, 1},
      {"a thread the test holds suspended", 1, false, 2},
      {"a thread the test holds suspended twice", 2, false, 3},
      {"an engine thread", 0, true, 0},
  };
  std::vector<std::unique_ptr<TWaitingThread>> threads;
  for (const TRow& row : rows) {
    threads.push_back(std::make_unique<TWaitingThread>());
    for (DWORD i = 0; i < row.heldBefore; ++i) SuspendThread(threads.back()->Handle());
    if (row.engineThread) NameTestEngineThread(threads.back()->Id());
  }
  std::vector<DWORD> countsDuring(threads.size());  // filled without allocating while frozen
  {
    const TThreadFreeze freeze(&IsTestEngineThread);
    // Reaching this line shows that the calling thread was left running.
    for (std::size_t i = 0; i < threads.size(); ++i) {
      countsDuring[i] = SuspendCount(threads[i]->Handle());
    }
  }
  for (std::size_t i = 0; i < threads.size(); ++i) {
    SCOPED_TRACE(rows[i].text);
    EXPECT_EQ(countsDuring[i], rows[i].countDuring);
    EXPECT_EQ(SuspendCount(threads[i]->Handle()), rows[i].heldBefore);
    for (DWORD held = 0; held < rows[i].heldBefore; ++held) ResumeThread(threads[i]->Handle());
  }
  NameTestEngineThread(0);
}

// The freeze is taken on a thread of its own, and the test's thread is named
// as the engine's so that it can look on.
TEST(ThreadFreeze, FreezingThread_IsNotSuspendedByItsOwnFreeze) {
  TWaitingThread other;
  TTestEvent frozen, release;
  NameTestEngineThread(GetCurrentThreadId());
  TTestThread freezer([&] {
    const TThreadFreeze freeze(&IsTestEngineThread);
    frozen.Set();
    release.Wait();
  });
  frozen.Wait();
  const DWORD freezerCount = SuspendCount(freezer.Handle());
  const DWORD otherCount = SuspendCount(other.Handle());
  release.Set();
  WaitForSingleObject(freezer.Handle(), INFINITE);
  EXPECT_EQ(freezerCount, 0u);
  EXPECT_EQ(otherCount, 1u) << "the freeze was in force";
  EXPECT_EQ(SuspendCount(other.Handle()), 0u);
  NameTestEngineThread(0);
}

TEST(ThreadFreeze, WithoutAnEngineThreadTest_EveryOtherThreadIsSuspended) {
  TWaitingThread other;
  DWORD countDuring = 0;
  {
    const TThreadFreeze freeze(nullptr);
    countDuring = SuspendCount(other.Handle());
  }
  EXPECT_EQ(countDuring, 1u);
  EXPECT_EQ(SuspendCount(other.Handle()), 0u);
}

// Holding one thread suspended: never the caller, never an engine thread,
// and every suspension given back, also when the work meanwhile fails.
#include <gtest/gtest.h>

#include <stdexcept>

#include "debuginfo/ESnapshotSuspend.h"
#include "tests/engine/support/TestThreads.h"
#include "tests/support/EngineEnvironment.h"

TEST(SuspendedThread, EachKindOfThread_IsHeldOrRefusedAndGetsItsCountBack) {
  TWaitingThread plain, heldByTest, engine;
  SuspendThread(heldByTest.Handle());
  NameTestEngineThread(engine.Id());
  const struct {
    const char* text;
    DWORD id;
    HANDLE handle;
    TSuspension state;
    DWORD countDuring;
    DWORD countAfter;
  } rows[] = {
      {"a running thread", plain.Id(), plain.Handle(), tsSuspended, 1, 0},
      {"a thread the test holds", heldByTest.Id(), heldByTest.Handle(), tsSuspended, 2, 1},
      {"an engine thread", engine.Id(), engine.Handle(), tsEngineThread, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    DWORD during = 0;
    {
      const TSuspendedThread held(row.id, &IsTestEngineThread);
      EXPECT_EQ(held.State(), row.state);
      EXPECT_EQ(held.ThreadId(), row.id);
      during = SuspendCount(row.handle);
      if (held.HasRegisters()) {
        EXPECT_EQ(held.Registers().Eip, InstructionPointer(row.handle));
        EXPECT_NE(held.Registers().Esp, 0u);
      }
    }
    EXPECT_EQ(during, row.countDuring);
    EXPECT_EQ(SuspendCount(row.handle), row.countAfter);
  }
  ResumeThread(heldByTest.Handle());
  NameTestEngineThread(0);
}

TEST(SuspendedThread, CallingThread_IsNeverSuspended) {
  const TSuspendedThread self(GetCurrentThreadId(), nullptr);
  EXPECT_EQ(self.State(), tsCallingThread);
  EXPECT_FALSE(self.HasRegisters());
  // Reaching this line shows that the calling thread runs on.
}

TEST(SuspendedThread, WithoutATest_TheEngineContextNamesTheEngineThreads) {
  TWaitingThread engine;
  NameTestEngineThread(engine.Id());
  TestEngineContext().IsEngineThread = &IsTestEngineThread;
  {
    const TSuspendedThread held(engine.Id());
    EXPECT_EQ(held.State(), tsEngineThread);
    EXPECT_EQ(SuspendCount(engine.Handle()), 0u);
  }
  TestEngineContext().IsEngineThread = nullptr;
  {
    const TSuspendedThread held(engine.Id());
    EXPECT_EQ(held.State(), tsSuspended);
  }
  EXPECT_EQ(SuspendCount(engine.Handle()), 0u);
  NameTestEngineThread(0);
}

TEST(SuspendedThread, ScanThatFails_StillResumesTheThread) {
  TWaitingThread scanned;
  EXPECT_THROW(
      {
        const TSuspendedThread held(scanned.Id(), nullptr);
        EXPECT_EQ(held.State(), tsSuspended);
        throw std::runtime_error("the scan failed");
      },
      std::runtime_error);
  EXPECT_EQ(SuspendCount(scanned.Handle()), 0u);
}

TEST(SuspendedThread, ThreadThatDoesNotExist_IsNotOpened) {
  const TSuspendedThread held(0xFFFFFFF0u, nullptr);
  EXPECT_EQ(held.State(), tsNotOpened);
  EXPECT_FALSE(held.HasRegisters());
}

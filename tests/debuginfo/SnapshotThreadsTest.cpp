// The threads list: its searches, the purge of ended threads, the copy for
// the reporting thread, the creator stack copies, and its
// multiple-reader, single-writer lock with real threads.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <latch>

#include "debuginfo/ESnapshotThreads.h"
#include "platform/memory/LiveMemory.h"
#include "tests/engine/support/TestThreads.h"

namespace {

bool NeverEnded(void*) {
  return false;
}

void* FakeHandle(std::uintptr_t value) {
  return reinterpret_cast<void*>(value);
}

TDovaroThreadEntry Entry(std::uint32_t id, std::uintptr_t handle, std::uintptr_t object = 0) {
  TDovaroThreadEntry entry;
  entry.ThreadId = id;
  entry.ThreadHandle = FakeHandle(handle);
  entry.ThreadObject = FakeHandle(object);
  return entry;
}

std::shared_ptr<const TStackCopy> StackOf(TAddress from, std::vector<std::uint8_t> bytes) {
  return std::make_shared<const TStackCopy>(TStackCopy{from, std::move(bytes)});
}

// Waits for the latch with a bound, so that a lock that does not share ends
// the test instead of hanging it.
bool Reached(const std::latch& latch) {
  for (int i = 0; i < 60000; ++i) {
    if (latch.try_wait()) return true;
    Sleep(1);
  }
  return false;
}

}  // namespace

TEST(ThreadsList, Searches_FindTheLastMatchingEntryOrMinusOne) {
  TDovaroThreadsList list(NeverEnded);
  list.Add(Entry(10, 0x100, 0x5000));
  list.Add(Entry(11, 0x104, 0x6000));
  list.Add(Entry(10, 0x108, 0x7000));  // an id the system gave again
  const auto read = list.Read();
  const struct {
    const char* text;
    int found;
    int expected;
  } rows[] = {
      {"id given twice", read.IndexOfThreadId(10), 2},
      {"id once", read.IndexOfThreadId(11), 1},
      {"id absent", read.IndexOfThreadId(12), -1},
      {"handle", read.IndexOfHandle(FakeHandle(0x100)), 0},
      {"handle absent", read.IndexOfHandle(FakeHandle(0x10C)), -1},
      {"object", read.IndexOfObject(FakeHandle(0x6000)), 1},
      {"object absent", read.IndexOfObject(FakeHandle(0x5004)), -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(row.found, row.expected);
  }
  EXPECT_EQ(read.Entries()[0].Priority, kPriorityNotRead);
}

TEST(ThreadsList, FindAndDelete_WorkOnCopiesAndTheLastEntry) {
  TDovaroThreadsList list(NeverEnded);
  list.Add(Entry(10, 0x100, 0x5000));
  list.Add(Entry(10, 0x108));
  ASSERT_TRUE(list.FindByThreadId(10));
  EXPECT_EQ(list.FindByThreadId(10)->ThreadHandle, FakeHandle(0x108));
  EXPECT_EQ(list.FindByObject(FakeHandle(0x5000))->ThreadHandle, FakeHandle(0x100));
  EXPECT_FALSE(list.FindByHandle(FakeHandle(0x1)));
  EXPECT_TRUE(list.Update(10, [](TDovaroThreadEntry& e) { e.StackTop = 0x130000; }));
  EXPECT_EQ(list.FindByHandle(FakeHandle(0x108))->StackTop, 0x130000u);
  EXPECT_TRUE(list.Delete(10));
  EXPECT_EQ(list.FindByThreadId(10)->ThreadHandle, FakeHandle(0x100));
  EXPECT_TRUE(list.Delete(10));
  EXPECT_FALSE(list.Delete(10));
  EXPECT_FALSE(list.Update(10, [](TDovaroThreadEntry&) {}));
  EXPECT_EQ(list.Count(), 0u);
}

TEST(ThreadsList, Add_FirstRemovesThreadsThatEndedAndInvalidHandles) {
  TDovaroThreadsList list;  // asks the system
  TWaitingThread running;
  TTestThread ended([] {});
  WaitForSingleObject(ended.Handle(), INFINITE);

  list.Add(Entry(ended.Id(), reinterpret_cast<std::uintptr_t>(ended.Handle())));
  list.Add(Entry(1, 0xDEAD0));  // no handle at all
  EXPECT_EQ(list.Count(), 1u) << "the ended thread went before the next entry came";
  list.Add(Entry(running.Id(), reinterpret_cast<std::uintptr_t>(running.Handle())));
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.Entries()[0].ThreadId, running.Id());
  EXPECT_EQ(list.PurgeEnded(), 0u);
}

TEST(ThreadsList, CallingThreadsEntry_IsDeletedByThatThreadOnly) {
  TDovaroThreadsList list(NeverEnded);
  list.Add(Entry(GetCurrentThreadId(), 0x100));
  bool deleted = true;
  std::uint32_t otherId = 0;
  TTestThread other([&] {
    otherId = GetCurrentThreadId();
    list.Add(Entry(otherId, 0x104));
    deleted = DeleteCallingThreadEntry(list);
  });
  WaitForSingleObject(other.Handle(), INFINITE);
  EXPECT_TRUE(deleted);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.Entries()[0].ThreadId, GetCurrentThreadId());
  EXPECT_FALSE(list.FindByThreadId(otherId));
}

TEST(ThreadsList, CreatorStack_IsReplacedByTheResumingThreadsCopy) {
  TDovaroThreadsList list(NeverEnded);
  list.Add(Entry(10, 0x100));
  auto first = StackOf(0x1000, {1, 2, 3});
  const std::weak_ptr<const TStackCopy> firstAlive = first;
  EXPECT_TRUE(list.UpdateCreatorStack(FakeHandle(0x100), 7, std::move(first)));
  EXPECT_EQ(list.FindByThreadId(10)->CreatorStackLength(), 3u);
  EXPECT_TRUE(list.UpdateCreatorStack(FakeHandle(0x100), 8, StackOf(0x2000, {4, 5})));
  EXPECT_TRUE(firstAlive.expired()) << "the earlier copy is freed";
  const auto entry = list.FindByThreadId(10);
  EXPECT_EQ(entry->CreatorThreadId, 8u);
  EXPECT_EQ(entry->CreatorStackLength(), 2u);
  EXPECT_FALSE(entry->CreatorStackBelongsToOther);
  EXPECT_FALSE(list.UpdateCreatorStack(FakeHandle(0x104), 8, StackOf(0x2000, {4})));
}

TEST(ThreadsList, Copy_HasEveryEntryAndReadsTheSourcesStackCopies) {
  TDovaroThreadsList source(NeverEnded);
  source.Add(Entry(10, 0x100));
  source.Add(Entry(11, 0x104));
  source.UpdateCreatorStack(FakeHandle(0x100), 7, StackOf(0x1000, {9, 8, 7, 6}));
  const TDovaroThreadsList copy(source);
  ASSERT_EQ(copy.Count(), 2u);
  const auto copied = copy.FindByThreadId(10);
  EXPECT_TRUE(copied->CreatorStackBelongsToOther);
  EXPECT_EQ(copied->CreatorStackAddress(), source.FindByThreadId(10)->CreatorStackAddress())
      << "the copy owns no stack copies of its own";
  EXPECT_FALSE(copy.FindByThreadId(11)->CreatorStackBelongsToOther) << "it has none";

  source.Delete(10);  // the thread ended while the report was being made
  const TStackCopyMemory stack(*copied->CreatorStack);
  EXPECT_EQ(stack.ReadU32(0x1000), 0x06070809u);
}

TEST(ThreadsList, Readers_ShareTheLockWhileAWriterWaits) {
  TDovaroThreadsList list(NeverEnded);
  list.Add(Entry(10, 0x100));
  std::latch bothReading(2), release(1);
  std::atomic<bool> written{false};
  TTestEvent writerStarted;
  const auto reader = [&] {
    const auto read = list.Read();
    bothReading.count_down();
    release.wait();
  };
  TTestThread firstReader(reader);
  TTestThread secondReader(reader);
  ASSERT_TRUE(Reached(bothReading)) << "two readers hold the read side together";

  TTestThread writer([&] {
    writerStarted.Set();
    list.Add(Entry(11, 0x104));
    written = true;
  });
  writerStarted.Wait();
  Sleep(50);  // gives a writer that did not wait the time to finish
  EXPECT_FALSE(written) << "the writer waits for the readers";
  release.count_down();
  WaitForSingleObject(writer.Handle(), INFINITE);
  EXPECT_TRUE(written);
  EXPECT_TRUE(list.FindByThreadId(11));
}

TEST(ThreadsList, CallingThreadsStack_IsCopiedUpToItsTop) {
  volatile std::uint32_t marker = 0x5A5A1234;
  const TAddress at = AddressOf(const_cast<std::uint32_t*>(&marker));
  const auto copy = CopyCallingThreadStack();
  ASSERT_NE(copy, nullptr);
  const TAddress top = CallingThreadStackTop();
  EXPECT_GT(top, at);
  EXPECT_EQ(copy->From + copy->Bytes.size(), top);
  const TStackCopyMemory stack(*copy);
  EXPECT_EQ(stack.ReadU32(at), 0x5A5A1234u);
  EXPECT_FALSE(stack.ReadU32(copy->From - 4));
  EXPECT_FALSE(stack.ReadU32(top - 2)) << "a value that runs past the copy";
  EXPECT_EQ(stack.ReadableLength(top - 2, 8), 2u);
}

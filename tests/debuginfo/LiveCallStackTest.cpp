// Call stacks of this process's own threads: a chain of calls at known lines
// in a module with its own debug block, scanned from the live stack and named
// through that block.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "debuginfo/EStackLive.h"
#include "debuginfo/EStackRows.h"
#include "debuginfo/EStackThreads.h"
#include "debuginfo/ESnapshotThreads.h"
#include "engine/ECoreModules.h"
#include "fixture/CallChain.h"
#include "platform/memory/LiveMemory.h"
#include "tests/support/EngineEnvironment.h"

// A polymorphic class of this program, for the caption of a live object.
struct TCaptionedObject {
  virtual ~TCaptionedObject() = default;
};

namespace {

struct TCapture {
  std::unique_ptr<TDovaroStackList> List;
};

// The test's probe at the end of the chain: the calling thread's own stack,
// from here up to its base.
__attribute__((noinline)) void CaptureOwnStack(void* user) {
  TStackScanRequest request;
  request.StackLow = AddressOf(__builtin_frame_address(0)) & ~TAddress{3};
  request.StackHigh = CallingThreadStackTop() - 4;
  request.AddCallees = true;
  request.ThreadId = GetCurrentThreadId();
  TLiveStackLocator locator;
  static_cast<TCapture*>(user)->List = BuildCallStack(request, LiveMemory(), locator);
}

struct TRow {
  std::string Routine;
  int Line;
  bool operator==(const TRow&) const = default;
};

// The visible rows of the chain's call sites, in order (the entries of the
// callees of direct calls, on their routines' first lines, stand between).
std::vector<TRow> ChainCallRows(const TDovaroStackList& list) {
  TDovaroModuleOptions options;
  std::vector<TRow> rows;
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const TCodeLocation& item = list[i];
    if (!RowVisible(item, options) || item.SourceUnit.View() != "CallChainFixture.cpp" ||
        item.RoutineLineOffset == 0 || !item.RoutineName.View().starts_with("Chain")) {
      continue;
    }
    rows.push_back({item.RoutineName.Str(), item.SourceLine});
  }
  return rows;
}

class CallChainFixture : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA("callstack_fixture.dll");
    ASSERT_NE(module_, nullptr);
    // The engine learns of the module, as the snapshot does when it lists it.
    const TDovaroModuleInfo* entry = ModuleEntryByHandle(reinterpret_cast<std::uintptr_t>(module_));
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(entry->DebugIndex, nullptr);
    run_ = reinterpret_cast<TRunCallChain>(
        reinterpret_cast<void*>(GetProcAddress(module_, "RunCallChain")));
    ASSERT_NE(run_, nullptr);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  HMODULE module_ = nullptr;
  TRunCallChain run_ = nullptr;
};

}  // namespace

TEST_F(CallChainFixture, CallingThreadsChain_AppearsInOrderWithItsLines) {
  TCapture capture;
  TChainLines lines{};
  run_(&CaptureOwnStack, &capture, &lines);
  ASSERT_TRUE(capture.List);
  ASSERT_EQ(lines.Calls, 4);
  EXPECT_EQ(ChainCallRows(*capture.List), (std::vector<TRow>{{"ChainInner", lines.Inner},
                                                             {"ChainMiddle", lines.Middle},
                                                             {"ChainOuter", lines.Outer}}));
  for (std::size_t i = 0; i < capture.List->Count(); ++i) {
    EXPECT_EQ((*capture.List)[i].OwnerThread, GetCurrentThreadId());
    EXPECT_EQ((*capture.List)[i].StackOrigin, 1);
  }
}

namespace {

// A thread that runs the chain and waits at its end until released.
class TBlockedChainThread {
 public:
  explicit TBlockedChainThread(TRunCallChain run)
      : run_(run),
        arrived_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = CreateThread(nullptr, 0, &Body, this, 0, &id_);
  }
  ~TBlockedChainThread() {
    SetEvent(release_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(arrived_);
    CloseHandle(release_);
  }
  TBlockedChainThread(const TBlockedChainThread&) = delete;
  TBlockedChainThread& operator=(const TBlockedChainThread&) = delete;

  bool WaitUntilBlocked() { return WaitForSingleObject(arrived_, 60000) == WAIT_OBJECT_0; }
  // Releases the thread and waits for its end: true when it ran on to the end.
  bool ReleaseAndJoin() {
    SetEvent(release_);
    return WaitForSingleObject(thread_, 60000) == WAIT_OBJECT_0 && lines.Calls == 4;
  }
  DWORD Id() const { return id_; }
  TChainLines lines{};

 private:
  static void Block(void* self) {
    auto* thread = static_cast<TBlockedChainThread*>(self);
    SetEvent(thread->arrived_);
    WaitForSingleObject(thread->release_, INFINITE);
  }
  static DWORD WINAPI Body(void* self) {
    auto* thread = static_cast<TBlockedChainThread*>(self);
    thread->run_(&Block, thread, &thread->lines);
    return 0;
  }

  TRunCallChain run_;
  HANDLE arrived_;
  HANDLE release_;
  HANDLE thread_ = nullptr;
  DWORD id_ = 0;
};

DWORD engineThreadForTest = 0;
bool IsTestEngineThread(unsigned long threadId) {
  return threadId == engineThreadForTest;
}

}  // namespace

TEST_F(CallChainFixture, SecondThreadBlockedInTheChain_IsScannedFromItsRegistersAndResumed) {
  TBlockedChainThread worker(run_);
  ASSERT_TRUE(worker.WaitUntilBlocked());
  TDovaroStackList list;
  TLiveStackLocator locator;
  TStackScanRequest request;
  request.AddCallees = true;
  ASSERT_TRUE(ScanOtherThread(list, worker.Id(), 0, request, locator));
  EXPECT_TRUE(worker.ReleaseAndJoin()) << "the scan resumed the thread";
  EXPECT_EQ(ChainCallRows(list), (std::vector<TRow>{{"ChainInner", worker.lines.Inner},
                                                    {"ChainMiddle", worker.lines.Middle},
                                                    {"ChainOuter", worker.lines.Outer}}));
  for (std::size_t i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list[i].OwnerThread, worker.Id());
    EXPECT_EQ(list[i].StackOrigin, 1);
  }
}

TEST_F(CallChainFixture, CallingThreadAndEngineThreads_AreNeverHeld) {
  TDovaroStackList list;
  TLiveStackLocator locator;
  EXPECT_FALSE(ScanOtherThread(list, GetCurrentThreadId(), 0, {}, locator));
  TBlockedChainThread worker(run_);
  ASSERT_TRUE(worker.WaitUntilBlocked());
  engineThreadForTest = worker.Id();
  TestEngineContext().IsEngineThread = &IsTestEngineThread;
  EXPECT_FALSE(ScanOtherThread(list, worker.Id(), 0, {}, locator));
  TestEngineContext().IsEngineThread = nullptr;
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_TRUE(worker.ReleaseAndJoin());
}

TEST_F(CallChainFixture, CreatorsSavedStack_IsScannedAsTheCallingThreadsStack) {
  struct TSaved {
    std::shared_ptr<const TStackCopy> Copy;
  } saved;
  TChainLines lines{};
  run_([](void* user) { static_cast<TSaved*>(user)->Copy = CopyCallingThreadStack(); }, &saved,
       &lines);
  ASSERT_TRUE(saved.Copy);
  TDovaroThreadEntry entry;
  entry.CreatorThreadId = GetCurrentThreadId();
  entry.CreatorStack = saved.Copy;
  TDovaroStackList list;
  TLiveStackLocator locator;
  TStackScanRequest request;
  request.AddCallees = true;
  ASSERT_TRUE(ScanCreatorStack(list, entry, request, locator));
  EXPECT_EQ(ChainCallRows(list), (std::vector<TRow>{{"ChainInner", lines.Inner},
                                                    {"ChainMiddle", lines.Middle},
                                                    {"ChainOuter", lines.Outer}}));
  ASSERT_GT(list.Count(), 0u);
  EXPECT_EQ(list[0].StackOrigin, 0);
  EXPECT_EQ(list[0].OwnerThread, GetCurrentThreadId());
  EXPECT_FALSE(ScanCreatorStack(list, TDovaroThreadEntry{}, request, locator)) << "no copy";
}

TEST_F(CallChainFixture, CallStackText_NamesTheChainFromHere) {
  struct TText {
    std::string Value;
  } text;
  TChainLines lines{};
  run_([](void* user) { static_cast<TText*>(user)->Value = CallStackAsTextHere(); }, &text, &lines);
  const std::string& value = text.Value;
  EXPECT_NE(value.find("callstack_fixture.dll - CallChainFixture.cpp -  - ChainMiddle - " +
                       std::to_string(lines.Middle) + "["),
            std::string::npos)
      << value;
  EXPECT_EQ(value.find("\r\n            "), value.find("\r\n")) << "the second line is indented";
}

TEST(AddressCaption, RoutineObjectAndNothing) {
  const HMODULE module = LoadLibraryA("callstack_fixture.dll");
  ASSERT_NE(module, nullptr);
  ASSERT_NE(ModuleEntryByHandle(reinterpret_cast<std::uintptr_t>(module)), nullptr);
  const auto entry = AddressOf(reinterpret_cast<void*>(GetProcAddress(module, "RunCallChain")));
  EXPECT_EQ(AddressCaption(entry), "CallChainFixture.RunCallChain");

  const auto object = std::make_unique<TCaptionedObject>();
  EXPECT_EQ(AddressCaption(AddressOf(object.get())), "TCaptionedObject")
      << "a live object of this program";
  int plain = 42;
  EXPECT_EQ(AddressCaption(AddressOf(&plain)), std::nullopt) << "a stack slot";
  EXPECT_EQ(AddressCaption(0x10), std::nullopt);
  FreeLibrary(module);
}

TEST(BuildCallStack, FirstAddressThatResolvesToNothing_IsStillTheFirstRowWithALine) {
  TStackScanRequest request;
  request.FirstAddress = 0x10;
  request.StackLow = 0x1000;
  request.StackHigh = 0;  // nothing to scan
  TLiveStackLocator locator;
  const auto list = BuildCallStack(request, LiveMemory(), locator);
  ASSERT_EQ(list->Count(), 1u);
  EXPECT_EQ((*list)[0].Precision, lpLine);
  EXPECT_EQ((*list)[0].CodeAddress, 0x10u);
  EXPECT_EQ((*list)[0].ModuleEntry, nullptr);
  EXPECT_TRUE((*list)[0].IsExceptionAddress);
}

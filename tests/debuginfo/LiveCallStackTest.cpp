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
#include "engine/ECoreModules.h"
#include "fixture/CallChain.h"
#include "platform/memory/LiveMemory.h"

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
  request.StackHigh = CurrentStackBase() - 4;
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

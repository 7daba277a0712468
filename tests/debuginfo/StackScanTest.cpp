// The raw stack scan over fabricated stack images: code with call
// instructions at known places, stack words pointing after them, and a
// locator that names the code from a table.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "debuginfo/EStackScan.h"
#include "tests/support/FabricatedMemory.h"

namespace {

constexpr TAddress kModule = 0x00400000;
constexpr TAddress kCode = 0x00401000;
constexpr TAddress kStack = 0x0012F000;

// One routine of the fabricated module.
struct TRoutine {
  TAddress Start;
  TAddress End;  // exclusive
  const char* Name;
  int FirstLine;
};

// Names addresses from a routine table: each byte of a routine is its own
// line, so an address's line offset is its distance from the routine start.
class TTableLocator : public IStackLocator {
 public:
  explicit TTableLocator(std::vector<TRoutine> routines) : routines_(std::move(routines)) {
    module_.Handle = reinterpret_cast<TModuleHandle>(kModule);
    module_.FileName = "C:\\fixture\\Fixture.dll";
  }

  void Locate(TAddress address, std::uint32_t threadId, TCodeLocation& location,
              bool isExceptionAddress, bool stackOrigin) override {
    ++lookups;
    if (failing) throw std::runtime_error("lookup failed");
    std::memset(&location, 0, sizeof location);
    location.CodeAddress = static_cast<std::uint32_t>(address);
    location.OwnerThread = threadId;
    location.StackOrigin = stackOrigin;
    location.IsExceptionAddress = isExceptionAddress;
    if (ModuleHandleOf(address) == kModule) {
      location.ModuleEntry = &module_;
      location.Precision = lpModule;
    }
    for (const TRoutine& routine : routines_) {
      if (address < routine.Start || address >= routine.End) continue;
      location.Precision = lpLine;
      location.SourceUnit.Assign("Fixture.cpp");
      location.RoutineName.Assign(routine.Name);
      location.RoutineLineOffset = static_cast<std::int32_t>(address - routine.Start);
      location.SourceLine = routine.FirstLine + location.RoutineLineOffset;
    }
    if (isExceptionAddress) location.Precision = lpLine;  // as LocateAddress does
  }
  std::uintptr_t ModuleHandleOf(TAddress address) override {
    return address >= kModule && address < kModule + 0x10000 ? kModule : 0;
  }
  std::string ModuleFileName(std::uintptr_t handle) override {
    return handle == kModule ? "C:\\fixture\\Fixture.dll" : std::string();
  }

  int lookups = 0;
  bool failing = false;

 private:
  std::vector<TRoutine> routines_;
  TDovaroModuleInfo module_;
};

// Code and stack of one fabricated thread.
class TFabricatedThread {
 public:
  TFabricatedThread() { memory.Put(kCode, std::string(0x6000, '\x90')); }  // nop
  // Puts a 5-byte direct call at `at` to `target`; returns the return address.
  TAddress DirectCall(TAddress at, TAddress target) {
    const auto displacement = static_cast<std::uint32_t>(target - (at + 5));
    memory.Put(at, {0xE8, static_cast<std::uint8_t>(displacement),
                    static_cast<std::uint8_t>(displacement >> 8),
                    static_cast<std::uint8_t>(displacement >> 16),
                    static_cast<std::uint8_t>(displacement >> 24)});
    return at + 5;
  }
  // Puts arbitrary code bytes.
  void Code(TAddress at, std::initializer_list<std::uint8_t> bytes) { memory.Put(at, bytes); }
  // The stack words from kStack on.
  void Stack(const std::vector<std::uint32_t>& words) {
    std::vector<std::uint8_t> bytes(4 * words.size());
    std::memcpy(bytes.data(), words.data(), bytes.size());  // little-endian, as on x86
    memory.Put(kStack, bytes);
  }
  TStackScanRequest Request(std::size_t words) const {
    TStackScanRequest request;
    request.StackLow = kStack;
    request.StackHigh = kStack + 4 * (words - 1);
    request.ThreadId = 7;
    return request;
  }

  TFabricatedMemory memory;
};

std::vector<TAddress> Addresses(const TDovaroStackList& list) {
  std::vector<TAddress> addresses;
  for (std::size_t i = 0; i < list.Count(); ++i) addresses.push_back(list[i].CodeAddress);
  return addresses;
}

// A routine that is a plain entry (push ebp), for callees.
void PutEntry(TFabricatedThread& thread, TAddress at) {
  thread.Code(at, {0x55, 0x8B, 0xEC, 0x90, 0x90, 0xC3});
}

}  // namespace

TEST(StackScan, DirectCallWithCallees_AddsTheCalleeEntryThenTheCallSite) {
  TFabricatedThread thread;
  PutEntry(thread, kCode + 0x100);
  const TAddress back = thread.DirectCall(kCode + 0x20, kCode + 0x100);
  thread.Stack({0x11111111, back, 0x22222222});
  TTableLocator locator(
      {{kCode, kCode + 0x80, "Caller", 10}, {kCode + 0x100, kCode + 0x180, "Callee", 50}});
  TStackScanRequest request = thread.Request(3);
  request.AddCallees = true;
  TDovaroStackList list;
  ScanStack(list, request, thread.memory, locator);
  EXPECT_EQ(Addresses(list), (std::vector<TAddress>{kCode + 0x100, kCode + 0x20}));
  EXPECT_EQ(list[1].OwnerThread, 7u);
  EXPECT_EQ(list[1].StackOrigin, 1);

  request.AddCallees = false;
  TDovaroStackList plain;
  ScanStack(plain, request, thread.memory, locator);
  EXPECT_EQ(Addresses(plain), (std::vector<TAddress>{kCode + 0x20}));
}

TEST(StackScan, CalleeThroughAnImportStub_IsTheRoutineTheStubLeadsTo) {
  TFabricatedThread thread;
  const TAddress stub = kCode + 0x200;
  const TAddress slot = kCode + 0x300;
  const TAddress routine = kCode + 0x400;
  thread.Code(stub, {0xFF, 0x25, 0x00, 0x13, 0x40, 0x00, 0x90, 0x90});  // jmp [slot]
  thread.memory.Put32(slot, static_cast<std::uint32_t>(routine));
  PutEntry(thread, routine);
  thread.Stack({thread.DirectCall(kCode + 0x20, stub)});
  TTableLocator locator({{kCode, kCode + 0x1000, "Anything", 1}});
  TStackScanRequest request = thread.Request(1);
  request.AddCallees = true;
  TDovaroStackList list;
  ScanStack(list, request, thread.memory, locator);
  EXPECT_EQ(Addresses(list), (std::vector<TAddress>{routine, kCode + 0x20}));
}

TEST(StackScan, CalleeThatStartsWithACall_IsNotAdded) {
  TFabricatedThread thread;
  thread.DirectCall(kCode + 0x100, kCode + 0x180);  // the callee's first instruction is a call
  PutEntry(thread, kCode + 0x180);
  thread.Stack({thread.DirectCall(kCode + 0x20, kCode + 0x100)});
  TTableLocator locator({{kCode, kCode + 0x1000, "Anything", 1}});
  TStackScanRequest request = thread.Request(1);
  request.AddCallees = true;
  TDovaroStackList list;
  ScanStack(list, request, thread.memory, locator);
  EXPECT_EQ(Addresses(list), (std::vector<TAddress>{kCode + 0x20}));
}

TEST(StackScan, CallThroughEbpWithoutAPrecedingMove_AddsNothing) {
  struct TRow {
    const char* name;
    std::initializer_list<std::uint8_t> bytes;  // the 7 bytes before the return address
    bool found;
  };
  const TRow rows[] = {
      {"mov then call [ebp+8]", {0x90, 0x90, 0x8B, 0x90, 0xFF, 0x55, 0x08}, true},
      {"move two bytes earlier", {0x90, 0x8B, 0x90, 0x90, 0xFF, 0x55, 0x08}, true},
      {"no move: ignored, not read as another form",
       {0x90, 0xFF, 0x15, 0x90, 0xFF, 0x55, 0x08},
       false},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    TFabricatedThread thread;
    thread.Code(kCode + 0x40, row.bytes);
    thread.Stack({static_cast<std::uint32_t>(kCode + 0x47)});
    TTableLocator locator({{kCode, kCode + 0x1000, "Anything", 1}});
    TDovaroStackList list;
    ScanStack(list, thread.Request(1), thread.memory, locator);
    EXPECT_EQ(list.Count(), row.found ? 1u : 0u);
    if (row.found) {
      EXPECT_EQ(list[0].CodeAddress, kCode + 0x44);
    }
  }
}

TEST(StackScan, RangeOfTwoHundredKilobytes_IsScannedOverItsFirstHundred) {
  TFabricatedThread thread;
  const TAddress back = thread.DirectCall(kCode + 0x20, kCode + 0x100);
  PutEntry(thread, kCode + 0x100);
  std::vector<std::uint32_t> words(200 * 1024 / 4, 0);
  words[kMaxScannedStackBytes / 4 - 1] = static_cast<std::uint32_t>(back);  // the last word scanned
  words[kMaxScannedStackBytes / 4] = static_cast<std::uint32_t>(back + 0);  // the first beyond
  thread.Stack(words);
  TTableLocator locator({{kCode, kCode + 0x1000, "Anything", 1}});
  TDovaroStackList list;
  ScanStack(list, thread.Request(words.size()), thread.memory, locator);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(locator.lookups, 1);
}

TEST(StackScan, ListOfMoreThan1024Items_RefusesTheNext) {
  TFabricatedThread thread;
  std::vector<std::uint32_t> words;
  for (int i = 0; i < 1100; ++i) {
    // Distinct call sites, so that no pruning hides any.
    words.push_back(static_cast<std::uint32_t>(thread.DirectCall(kCode + 8 * i, kCode + 0x4000)));
  }
  PutEntry(thread, kCode + 0x4000);
  thread.Stack(words);
  TTableLocator locator({});  // module only: nothing is hidden
  TStackScanRequest request = thread.Request(words.size());
  request.FirstAddress = kCode + 0x5000;
  TDovaroStackList list;
  ScanStack(list, request, thread.memory, locator);
  EXPECT_EQ(list.Count(), kMaxStackListItems + 1);
  EXPECT_TRUE(list[0].IsExceptionAddress);
  EXPECT_FALSE(list.CanAdd());
}

TEST(StackScan, PageThatIsUnreadableInTheMiddle_IsSkippedAndTheRestScanned) {
  TFabricatedThread thread;
  PutEntry(thread, kCode + 0x100);
  const TAddress first = thread.DirectCall(kCode + 0x20, kCode + 0x100);
  const TAddress second = thread.DirectCall(kCode + 0x40, kCode + 0x100);
  std::vector<std::uint32_t> words(3 * 1024, 0);  // three pages of stack
  words[10] = static_cast<std::uint32_t>(first);
  words[1024 + 10] = static_cast<std::uint32_t>(first);  // in the page that goes away
  words[2048 + 10] = static_cast<std::uint32_t>(second);
  thread.Stack(words);
  thread.memory.Remove(kStack + 4096, 4096);
  TTableLocator locator({});
  TDovaroStackList list;
  ScanStack(list, thread.Request(words.size()), thread.memory, locator);
  EXPECT_EQ(Addresses(list), (std::vector<TAddress>{kCode + 0x20, kCode + 0x40}));
}

namespace {

// Says a range is readable but fails one word's read, as a stack that
// changes between the readability test and the read.
class TFlakyMemory : public TMemoryReader {
 public:
  TFlakyMemory(const TMemoryReader& inner, TAddress flaky) : inner_(inner), flaky_(flaky) {}
  std::size_t Read(TAddress address, void* buffer, std::size_t count) const noexcept override {
    return address == flaky_ ? 0 : inner_.Read(address, buffer, count);
  }
  std::size_t ReadableLength(TAddress address, std::size_t limit) const noexcept override {
    return inner_.ReadableLength(address, limit);
  }

 private:
  const TMemoryReader& inner_;
  TAddress flaky_;
};

}  // namespace

TEST(StackScan, WordWhoseReadFails_IsSkippedAndTheScanGoesOn) {
  TFabricatedThread thread;
  PutEntry(thread, kCode + 0x100);
  const TAddress back = thread.DirectCall(kCode + 0x20, kCode + 0x100);
  thread.Stack(std::vector<std::uint32_t>(8, static_cast<std::uint32_t>(back)));
  const TFlakyMemory memory(thread.memory, kStack + 8);
  TTableLocator locator({});
  TDovaroStackList list;
  ScanStack(list, thread.Request(8), memory, locator);
  EXPECT_EQ(list.Count(), 7u);
}

TEST(StackScan, PrecisionsMaximumAndFirstIndex_FilterTheFoundItems) {
  TFabricatedThread thread;
  PutEntry(thread, kCode + 0x800);
  std::vector<std::uint32_t> words;
  constexpr TAddress kSites = kCode + 0x100;
  for (int i = 0; i < 6; ++i) {
    words.push_back(
        static_cast<std::uint32_t>(thread.DirectCall(kSites + 0x10 * i, kCode + 0x800)));
  }
  thread.Stack(words);
  // Routines for the first three call sites only: the others are the module alone.
  TTableLocator locator({{kSites, kSites + 0x08, "R0", 1},
                         {kSites + 0x10, kSites + 0x18, "R1", 1},
                         {kSites + 0x20, kSites + 0x28, "R2", 1}});
  struct TRow {
    const char* name;
    TPrecisionSet precisions;
    int maximum;
    int firstIndex;
    std::vector<TAddress> expected;
  };
  const TRow rows[] = {
      {"everything",
       kAllPrecisions,
       -1,
       -1,
       {kSites, kSites + 0x10, kSites + 0x20, kSites + 0x30, kSites + 0x40, kSites + 0x50}},
      {"lines only", PrecisionBit(lpLine), -1, -1, {kSites, kSites + 0x10, kSites + 0x20}},
      {"at most two", kAllPrecisions, 2, 0, {kSites, kSites + 0x10}},
      {"skip four", kAllPrecisions, -1, 4, {kSites + 0x40, kSites + 0x50}},
      {"lines, skip one, at most one", PrecisionBit(lpLine), 1, 1, {kSites + 0x10}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    TStackScanRequest request = thread.Request(words.size());
    request.AllowedPrecisions = row.precisions;
    request.MaximumItems = row.maximum;
    request.FirstIndex = row.firstIndex;
    TDovaroStackList list;
    ScanStack(list, request, thread.memory, locator);
    EXPECT_EQ(Addresses(list), row.expected);
  }
}

TEST(StackScan, WithoutLookups_ItemsNameTheirModuleOnly) {
  TFabricatedThread thread;
  PutEntry(thread, kCode + 0x100);
  thread.Stack({static_cast<std::uint32_t>(thread.DirectCall(kCode + 0x20, kCode + 0x100))});
  TTableLocator locator({{kCode, kCode + 0x1000, "Anything", 1}});
  TStackScanRequest request = thread.Request(1);
  request.Resolve = false;
  request.StackOrigin = false;
  TDovaroStackList list;
  ScanStack(list, request, thread.memory, locator);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(locator.lookups, 0);
  EXPECT_EQ(list[0].Precision, lpModule);
  EXPECT_EQ(list[0].StackOrigin, 0);
  EXPECT_EQ(list[0].OwnerThread, 7u);
  ASSERT_NE(list[0].ModuleEntry, nullptr);
  EXPECT_EQ(reinterpret_cast<TAddress>(list[0].ModuleEntry->Handle), kModule);
  EXPECT_EQ(list[0].ModuleEntry->FileName, "C:\\fixture\\Fixture.dll");
}

TEST(StackScan, FailingLookups_TextFallsBackToModuleOnlyLines) {
  TFabricatedThread thread;
  PutEntry(thread, kCode + 0x100);
  thread.Stack({static_cast<std::uint32_t>(thread.DirectCall(kCode + 0x20, kCode + 0x100))});
  TTableLocator locator({{kCode, kCode + 0x1000, "Anything", 1}});
  EXPECT_EQ(CallStackAsText(kStack, kStack, false, thread.memory, locator),
            "00 $00401100 - [00400000] C:\\fixture\\Fixture.dll - Fixture.cpp -  - Anything - "
            "257[256]\r\n"
            "            01 $00401020 - [00400000] C:\\fixture\\Fixture.dll - Fixture.cpp -  - "
            "Anything - "
            "33[32]\r\n");
  locator.failing = true;
  EXPECT_EQ(CallStackAsText(kStack, kStack, false, thread.memory, locator),
            "00 $00401100 - [00400000] C:\\fixture\\Fixture.dll \r\n"
            "            01 $00401020 - [00400000] C:\\fixture\\Fixture.dll \r\n");
}

namespace {

// An item as the pruning sees it.
struct TItem {
  TAddress Address;
  TLocationPrecision Precision;
  const char* Routine;
  int LineOffset;
  std::uint32_t Thread = 1;
  bool Origin = true;
  TDovaroModuleInfo* Module = nullptr;
};

void Fill(TDovaroStackList& list, const std::vector<TItem>& items) {
  for (const TItem& from : items) {
    auto item = TDovaroStackList::NewItem();
    item->CodeAddress = static_cast<std::uint32_t>(from.Address);
    item->Precision = from.Precision;
    item->RoutineName.Assign(from.Routine);
    item->SourceUnit.Assign("Unit.cpp");
    item->RoutineLineOffset = from.LineOffset;
    item->SourceLine = from.LineOffset == 0 && from.Precision < lpLine ? 0 : 100 + from.LineOffset;
    item->OwnerThread = from.Thread;
    item->StackOrigin = from.Origin;
    item->ModuleEntry = from.Module;
    list.Append(std::move(item));
  }
}

std::vector<TLocationPrecision> Precisions(const TDovaroStackList& list) {
  std::vector<TLocationPrecision> precisions;
  for (std::size_t i = 0; i < list.Count(); ++i) precisions.push_back(list[i].Precision);
  return precisions;
}

}  // namespace

TEST(StackPruning, SameCallSiteTwiceInAModule_KeepsOnlyTheLaterOneVisible) {
  TDovaroModuleInfo module;
  module.Handle = reinterpret_cast<TModuleHandle>(0x00400000);
  TDovaroModuleInfo other;
  other.Handle = reinterpret_cast<TModuleHandle>(0x10000000);
  TDovaroStackList list;
  Fill(list, {{0x1000, lpLine, "Fault", 3, 1, true, &module},
              {0x2000, lpLine, "A", 4, 1, true, &module},
              {0x2000, lpLine, "A", 4, 1, true, &other},  // another module: not the same site
              {0x3000, lpLine, "B", 5, 1, true, &module},
              {0x2000, lpLine, "A", 4, 1, true, &module},  // the next but one in the module
              {0x4000, lpModule, "", 0, 1, true, &module}});
  PruneStackList(list, 0, true, false);
  EXPECT_EQ(Precisions(list),
            (std::vector<TLocationPrecision>{lpLine, lpNone, lpLine, lpLine, lpLine, lpModule}));
}

TEST(StackPruning, ItemsBetweenARoutineEntryAndADeeperPlaceInIt_AreHidden) {
  TDovaroStackList list;
  Fill(list, {{0x1010, lpLine, "Inner", 7},  // the fault, inside Inner
              {0x5000, lpLine, "Stale", 2},  // a stale word
              {0x6000, lpUnit, "Other", 0},  // another stale word
              {0x1000, lpLine, "Inner", 0},  // Inner's entry (a callee)
              {0x2000, lpLine, "Outer", 9}});
  PruneStackList(list, 0, true, false);
  EXPECT_EQ(Precisions(list),
            (std::vector<TLocationPrecision>{lpLine, lpNone, lpNone, lpLine, lpLine}));
}

TEST(StackPruning, RoutineEntryWithoutADeeperPlace_HidesBackToAnotherThreadOnly) {
  TDovaroStackList list;
  Fill(list, {{0x1010, lpLine, "Main", 7, 1},
              {0x5000, lpLine, "Stale", 2, 2},
              {0x1000, lpLine, "Entry", 0, 2},
              {0x2000, lpLine, "Outer", 9, 2}});
  PruneStackList(list, 0, true, false);
  EXPECT_EQ(Precisions(list), (std::vector<TLocationPrecision>{lpLine, lpNone, lpLine, lpLine}));

  TDovaroStackList alone;
  Fill(alone, {{0x5000, lpLine, "Stale", 2}, {0x1000, lpLine, "Entry", 0}});
  PruneStackList(alone, 0, true, false);
  EXPECT_EQ(Precisions(alone), (std::vector<TLocationPrecision>{lpLine, lpLine})) << "no bound";
}

TEST(StackPruning, InsideTheDevelopmentEnvironment_DropsUnnamedItemsAndTheHandler) {
  TDovaroStackList list;
  Fill(list, {{0x1000, lpLine, "Fault", 3},
              {0x2000, lpModule, "", 0},
              {0x3000, lpRoutine, "TApplication.HandleException", 1},
              {0x4000, lpUnit, "Caller", 2}});
  PruneStackList(list, 1, true, true);
  EXPECT_EQ(Addresses(list), (std::vector<TAddress>{0x1000, 0x4000}));
  TDovaroStackList unresolved;
  Fill(unresolved, {{0x1000, lpModule, "", 0}, {0x2000, lpModule, "", 0}});
  PruneStackList(unresolved, 0, false, true);
  EXPECT_EQ(unresolved.Count(), 2u) << "only when looked up";
}

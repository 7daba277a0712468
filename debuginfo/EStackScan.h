// The raw stack scan: every stack word that is the return address of a
// recognisable call becomes an item at the call instruction, looked up
// through a locator. No frame pointers are followed.
//
// Pure logic over a memory reader and a locator, so fabricated stack images
// test it. Never raises: unreadable words are skipped, items that do not pass
// the filters are freed at once. Allocates (it builds the list), so it runs in
// the handling thread, not where the heap is forbidden.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "debuginfo/EStackList.h"
#include "platform/memory/MemoryReader.h"

// The scanned range is cut to this many bytes above the stack low end.
inline constexpr std::uint32_t kMaxScannedStackBytes = 102400;
// Readability of the stack is asked for this many bytes at a time.
inline constexpr std::uint32_t kStackReadabilityStep = 400;

// Bit n set: precision n passes. All eight values.
using TPrecisionSet = std::uint8_t;
inline constexpr TPrecisionSet kAllPrecisions = 0xFF;
constexpr TPrecisionSet PrecisionBit(TLocationPrecision precision) {
  return static_cast<TPrecisionSet>(1u << precision);
}

// How the scan names an address.
class IStackLocator {
 public:
  virtual ~IStackLocator() = default;
  // LocateAddress: fills the whole record (zeroing it first). Must not raise.
  virtual void Locate(TAddress address, std::uint32_t threadId, TCodeLocation& location,
                      bool isExceptionAddress, bool stackOrigin) = 0;
  // The loaded module holding the address (0 and empty when none), for scans
  // without lookups. Must not raise.
  virtual std::uintptr_t ModuleHandleOf(TAddress address) = 0;
  virtual std::string ModuleFileName(std::uintptr_t handle) = 0;
};

struct TStackScanRequest {
  std::optional<TAddress> FirstAddress;  // the faulting address, added first
  TAddress StackLow = 0;                 // word-aligned; both ends scanned
  TAddress StackHigh = 0;
  TPrecisionSet AllowedPrecisions = kAllPrecisions;  // the first address is exempt
  int MaximumItems = -1;                             // -1: no limit
  int FirstIndex = -1;                               // found items skipped first; -1: none
  bool AddCallees = false;                           // a direct call also adds its callee's entry
  bool Resolve = true;                               // off: only the module is recorded
  bool StackOrigin = true;  // false: the saved stack of the creating thread
  std::uint32_t ThreadId = 0;
  // Inside the development environment: items that name no routine and the
  // framework's HandleException are dropped.
  bool InsideDevelopmentEnvironment = false;
};

// Appends one scan to `list` and prunes the items it appended. Raises only
// what the locator raises (the list keeps what was added by then).
void ScanStack(TDovaroStackList& list, const TStackScanRequest& request,
               const TMemoryReader& memory, IStackLocator& locator);

// A new list filled by one scan (resolve on).
std::unique_ptr<TDovaroStackList> BuildCallStack(const TStackScanRequest& request,
                                                 const TMemoryReader& memory,
                                                 IStackLocator& locator);

// The compact text of one scan: a line per item, "<index> $<address> -
// [<module handle>] <module file> <detail>", the detail "- unit - class -
// procedure - line[offset]" for items with a line; lines after the first are
// indented by 12 spaces to stand under a "Call Stack: " caption. Looked up
// first; when that fails, again with the modules only. Never raises.
std::string CallStackAsText(TAddress stackLow, TAddress stackHigh,
                            bool insideDevelopmentEnvironment, const TMemoryReader& memory,
                            IStackLocator& locator);

// The three pruning passes after a scan that appended from `firstAppended`
// on (exposed for tests).
void PruneStackList(TDovaroStackList& list, std::size_t firstAppended, bool resolved,
                    bool insideDevelopmentEnvironment);

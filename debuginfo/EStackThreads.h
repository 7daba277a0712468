// The stacks of threads other than the calling one: another live thread of
// the process, held suspended only while its registers and stack are copied,
// and a creator's stack saved in a thread entry. Both are then scanned with
// the stack words from the copy and everything else (code) live.
//
// Allocates, but never while a thread is held suspended: the copy's buffer is
// taken first, so a thread suspended inside the heap cannot stop us. Never
// suspends the calling thread or an engine thread; always resumes what it
// suspended.
#pragma once

#include <cstdint>

#include "debuginfo/ESnapshotStackCopy.h"
#include "debuginfo/ESnapshotSuspend.h"
#include "debuginfo/ESnapshotThreads.h"
#include "debuginfo/EStackScan.h"

// The stack words from a copy, any other address from `others`.
class TStackOverlayMemory final : public TMemoryReader {
 public:
  TStackOverlayMemory(const TStackCopy& copy, const TMemoryReader& others)
      : copy_(copy), stack_(copy), others_(others) {}
  std::size_t Read(TAddress address, void* buffer, std::size_t count) const noexcept override;
  std::size_t ReadableLength(TAddress address, std::size_t limit) const noexcept override;

 private:
  const TStackCopy& copy_;
  TStackCopyMemory stack_;
  const TMemoryReader& others_;
};

// The highest address of a thread's stack (its stack base), from its thread
// information block; 0 when it cannot be read.
TAddress ThreadStackTop(std::uint32_t threadId);

// What the thread was doing: its registers and its stack from the stack
// pointer up (at most the scanner's range), copied while it was held.
struct TThreadStackSnapshot {
  TSuspension State = tsNotOpened;
  TThreadRegisters Registers;
  TStackCopy Stack;
};

// Holds the thread suspended just long enough to copy its registers and its
// stack up to `stackTop` (0: read from its thread information block).
TThreadStackSnapshot CopyThreadStack(std::uint32_t threadId, TAddress stackTop = 0);

// Scans another thread of the process: from its stack pointer to its stack
// top, with the thread id and stack origin 1, the rest of `request` as given.
// False (nothing added) when the thread could not be held or its instruction
// pointer is 0. Raises only what the locator raises.
bool ScanOtherThread(TDovaroStackList& list, std::uint32_t threadId, TAddress stackTop,
                     TStackScanRequest request, IStackLocator& locator);

// Scans the creator's stack saved in a thread entry (stack origin 0, the
// creating thread's id). False when the entry holds none.
bool ScanCreatorStack(TDovaroStackList& list, const TDovaroThreadEntry& entry,
                      TStackScanRequest request, IStackLocator& locator);

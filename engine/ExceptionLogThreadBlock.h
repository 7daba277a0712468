// The engine's per-thread state (the ThreadBlock): what the last raise of the
// thread left for the handling that may follow, and the flags that make the
// engine non-reentrant per thread.
//
// Each thread's block is made on first use, given up when the thread ends
// (for another thread to take), and freed when the engine stops. Getting it takes no lock and
// allocates only once per thread (from the process heap), so it may run in the exception handlers.
#pragma once

#include <cstdint>

#include "debuginfo/EDebugShortString.h"
#include "engine/ExceptionLogTypes.h"

struct TThreadBlock {
  TShortString<64> LastClassName;  // the last exception handled here, to know it again
  TAddress LastAddress = 0;
  TAddress SavedStackPointer = 0;  // where stack walks of this thread start
  TAddress RaiseStackPointer = 0;  // the stack pointer at the last raise call
  std::uint32_t RaiseEcx = 0;
  TRegisterContext Context{};
  TOsExceptionRecord Record{};
  bool HasContext = false;
  bool HasRecord = false;
  bool HandlingInProgress = false;
  bool EngineThread = false;
  volatile long RaiseProcessing = 0;

  // Clears what a raise left (the context, the record, the saved stack).
  void ClearCopies() {
    Context = {};
    Record = {};
    HasContext = HasRecord = false;
    SavedStackPointer = RaiseStackPointer = 0;
  }
};

// The calling thread's block; null when it cannot be made.
TThreadBlock* CurrentThreadBlock() noexcept;
// The block of the calling thread when it has one, else null.
TThreadBlock* ExistingThreadBlock() noexcept;

// Slot management by the interception unit: made at its start, freed at its
// end (every thread's block with it); a thread's block is freed at its end.
bool CreateThreadBlocks() noexcept;
void FreeThreadBlocks() noexcept;
void FreeCurrentThreadBlock() noexcept;

// The thread's raise-processing flag, set for the scope when it was clear:
// the engine's work at a raise or a catch does not start again for a raise
// or catch of its own.
class TRaiseProcessing {
 public:
  explicit TRaiseProcessing(TThreadBlock* block) noexcept;
  ~TRaiseProcessing();
  TRaiseProcessing(const TRaiseProcessing&) = delete;
  TRaiseProcessing& operator=(const TRaiseProcessing&) = delete;
  bool Entered() const { return entered_; }

 private:
  TThreadBlock* block_;
  bool entered_;
};

// Holding one other thread suspended while its registers are read and its
// stack is scanned.
//
// It never suspends the calling thread nor one of the engine's own threads
// (the engine context's IsEngineThread test), and its end resumes exactly
// what it suspended, also when the work done meanwhile failed. It allocates
// nothing and takes no lock, so it may be used during exception handling;
// while it holds a thread, the holder must not allocate or take a lock the
// suspended thread may own (the heap's among them). Never raises.
#pragma once

#include <cstdint>

#include "engine/EngineContext.h"

// The control and integer registers of a suspended thread.
struct TThreadRegisters {
  std::uint32_t Eip = 0, Esp = 0, Ebp = 0, EFlags = 0;
  std::uint32_t Eax = 0, Ebx = 0, Ecx = 0, Edx = 0, Esi = 0, Edi = 0;
  std::uint16_t SegCs = 0, SegSs = 0;
};

enum TSuspension : std::uint8_t {
  tsSuspended,      // suspended, registers read
  tsCallingThread,  // refused: a thread cannot hold itself
  tsEngineThread,   // refused: the engine's threads keep running
  tsNotOpened,      // no such thread, or no access to it
  tsNotSuspended,   // the system refused to suspend it
  tsNoContext,      // suspended, but its registers could not be read
};

class TSuspendedThread {
 public:
  // Suspends the thread with `threadId` and reads its registers, unless it
  // is the calling thread or an engine thread by the engine context's test.
  explicit TSuspendedThread(std::uint32_t threadId) noexcept;
  // The same with `isEngineThread` as the test (null: no engine threads).
  TSuspendedThread(std::uint32_t threadId, TEngineThreadTest isEngineThread) noexcept;
  // Resumes the thread once when this object suspended it.
  ~TSuspendedThread();
  TSuspendedThread(const TSuspendedThread&) = delete;
  TSuspendedThread& operator=(const TSuspendedThread&) = delete;

  TSuspension State() const { return state_; }
  // True when the registers were read (State() == tsSuspended).
  bool HasRegisters() const { return state_ == tsSuspended; }
  const TThreadRegisters& Registers() const { return registers_; }
  std::uint32_t ThreadId() const { return threadId_; }

 private:
  std::uint32_t threadId_;
  void* thread_ = nullptr;  // open while this object lives
  bool suspended_ = false;
  TSuspension state_ = tsNotOpened;
  TThreadRegisters registers_;
};

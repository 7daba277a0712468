// Suspends the process's other threads while code is patched, so that none
// of them runs bytes that are half old and half new, and moves a suspended
// thread that stands in the patched bytes to the place that goes on with its
// work.
//
// The constructor allocates, but only before it suspends anything. While a
// freeze lasts, the thread holding it must not allocate, take a lock or
// raise: a suspended thread may hold the heap's lock. Nothing here raises.
// Not for exception handling.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "engine/EHookThreadMoves.h"
#include "engine/EngineContext.h"

// TEngineThreadTest (engine/EngineContext.h) names the engine's own threads,
// which patching leaves running (they never run hooked code). It is called
// before any thread is suspended and must not raise.

class TThreadFreeze {
 public:
  // Suspends every thread of the process except the calling thread and those
  // `isEngineThread` names (nullptr names none), and waits until each one is
  // really suspended. A thread that cannot be opened or suspended (it may be
  // ending) stays out, and so does one that starts after the list of threads
  // was taken. When the list cannot be made, nothing is suspended.
  explicit TThreadFreeze(TEngineThreadTest isEngineThread) noexcept;
  // Resumes exactly the threads this freeze suspended, once each.
  ~TThreadFreeze();
  TThreadFreeze(const TThreadFreeze&) = delete;
  TThreadFreeze& operator=(const TThreadFreeze&) = delete;

  // Moves every suspended thread whose instruction pointer is a move's From
  // to its To. Does not allocate.
  void MoveThreads(std::span<const TThreadMove> moves) noexcept;

 private:
  struct THandleCloser {
    void operator()(void* handle) const noexcept;
  };
  using THandle = std::unique_ptr<void, THandleCloser>;

  static std::vector<THandle> OpenOtherThreads(TEngineThreadTest isEngineThread);

  std::vector<THandle> threads_;  // the suspended threads; empty entries were not suspended
};

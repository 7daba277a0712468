// Threads for the tests that suspend, count and move threads: each runs a
// body on a thread of its own, made with CreateThread so that the test holds
// its handle.
#pragma once

#include <windows.h>

#include <functional>

// A thread running `body`; destroying it waits for the body to end, so the
// test must have resumed the thread and let the body finish by then.
class TTestThread {
 public:
  explicit TTestThread(std::function<void()> body);  // raises when no thread can be made
  ~TTestThread();
  TTestThread(const TTestThread&) = delete;
  TTestThread& operator=(const TTestThread&) = delete;

  HANDLE Handle() const { return thread_; }
  DWORD Id() const { return id_; }

 private:
  static DWORD WINAPI Run(void* self);

  std::function<void()> body_;
  HANDLE thread_ = nullptr;
  DWORD id_ = 0;
};

// A manual-reset event, not set at first.
class TTestEvent {
 public:
  TTestEvent();
  ~TTestEvent();
  TTestEvent(const TTestEvent&) = delete;
  TTestEvent& operator=(const TTestEvent&) = delete;

  void Set() const { SetEvent(event_); }
  void Wait() const { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

// A thread that waits, blocked, until it is destroyed.
class TWaitingThread {
 public:
  TWaitingThread();
  ~TWaitingThread();
  TWaitingThread(const TWaitingThread&) = delete;
  TWaitingThread& operator=(const TWaitingThread&) = delete;

  HANDLE Handle() const { return thread_.Handle(); }
  DWORD Id() const { return thread_.Id(); }

 private:
  TTestEvent release_;
  TTestThread thread_;
};

// The tests' stand-in for the engine's own threads: the thread named last
// (0 names none). IsTestEngineThread serves as a TEngineThreadTest.
void NameTestEngineThread(DWORD threadId);
bool IsTestEngineThread(unsigned long threadId);

// How many times the thread is suspended, read by suspending and resuming it
// once (both return the count they found).
DWORD SuspendCount(HANDLE thread);

// The thread's instruction pointer; the thread must be suspended.
DWORD InstructionPointer(HANDLE thread);
// Sets the instruction pointer of a suspended thread.
void SetInstructionPointer(HANDLE thread, DWORD address);

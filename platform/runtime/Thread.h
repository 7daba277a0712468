// The runtime's thread class: a thread runs its object's Execute. Threads are
// started through CreateThread, so an engine that watches thread creation
// sees them and can hook their class's Execute; the engine's own threads
// derive from it too.
//
// An exception escaping Execute ends the thread quietly (the thread procedure
// catches it, as the runtime's thread wrapper does); it is kept for FatalException.
#pragma once

#include <exception>

class TThread {
 public:
  TThread() = default;
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts the thread (suspended: the caller resumes it with Resume). False
  // when the system refused.
  bool Start(bool suspended = false);
  void Resume();
  // Waits for the end of Execute; false when there is no thread.
  bool WaitFor(unsigned long milliseconds = 0xFFFFFFFF);
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  void* Handle() const { return handle_; }
  unsigned long ThreadId() const { return threadId_; }
  int Priority = 0;  // the system's thread priority, applied at Start
  // The exception that ended Execute, if one did.
  std::exception_ptr FatalException;

  // The thread procedure every TThread runs (the runtime's thread wrapper):
  // the parameter is the object.
  static unsigned long __stdcall ThreadProc(void* object);

 protected:
  virtual void Execute() = 0;

 private:
  void* handle_ = nullptr;
  unsigned long threadId_ = 0;
  volatile bool terminated_ = false;
};

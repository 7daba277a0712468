// The threads list's questions to the system: whether a thread has ended,
// which thread is calling, and the calling thread's stack.
#include <windows.h>

#include "debuginfo/ESnapshotThreads.h"
#include "platform/memory/LiveMemory.h"

bool ThreadHasEnded(void* threadHandle) {
  DWORD code = 0;
  return !GetExitCodeThread(static_cast<HANDLE>(threadHandle), &code) || code != STILL_ACTIVE;
}

bool DeleteCallingThreadEntry(TDovaroThreadsList& list) {
  return list.Delete(GetCurrentThreadId());
}

TAddress CallingThreadStackTop() {
  // The thread information block at fs:[0] holds the stack's base (its
  // highest address) at offset 4.
  TAddress top = 0;
  asm volatile("movl %%fs:4, %0" : "=r"(top));
  return top;
}

std::shared_ptr<const TStackCopy> CopyCallingThreadStack() {
  TAddress stackPointer = 0;
  asm volatile("movl %%esp, %0" : "=r"(stackPointer));
  const TAddress top = CallingThreadStackTop();
  if (top <= stackPointer) return nullptr;
  auto copy = std::make_shared<TStackCopy>();
  copy->From = stackPointer;
  copy->Bytes.resize(top - stackPointer);
  copy->Bytes.resize(LiveMemory().Read(stackPointer, copy->Bytes.data(), copy->Bytes.size()));
  if (copy->Bytes.empty()) return nullptr;
  return copy;
}

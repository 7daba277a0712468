#include "platform/runtime/Thread.h"

#include <windows.h>

TThread::~TThread() {
  if (handle_) CloseHandle(handle_);
}

bool TThread::Start(bool suspended) {
  if (handle_) return true;
  DWORD id = 0;
  handle_ = CreateThread(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id);
  if (!handle_) return false;
  threadId_ = id;
  if (Priority != 0) SetThreadPriority(handle_, Priority);
  if (!suspended) Resume();
  return true;
}

void TThread::Resume() {
  if (handle_) ResumeThread(handle_);
}

bool TThread::WaitFor(unsigned long milliseconds) {
  return handle_ && WaitForSingleObject(handle_, milliseconds) == WAIT_OBJECT_0;
}

unsigned long __stdcall TThread::ThreadProc(void* object) {
  auto* thread = static_cast<TThread*>(object);
  try {
    thread->Execute();
  } catch (...) {
    thread->FatalException = std::current_exception();
    return 1;
  }
  return 0;
}

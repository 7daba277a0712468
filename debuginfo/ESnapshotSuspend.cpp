#include "debuginfo/ESnapshotSuspend.h"

#include <windows.h>

namespace {

constexpr DWORD kThreadAccess =
    THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION;
constexpr DWORD kSuspendFailed = static_cast<DWORD>(-1);

TEngineThreadTest ContextEngineThreadTest() {
  const TEngineContext* context = EngineContext();
  return context ? context->IsEngineThread : nullptr;
}

TThreadRegisters RegistersOf(const CONTEXT& context) {
  TThreadRegisters r;
  r.Eip = context.Eip;
  r.Esp = context.Esp;
  r.Ebp = context.Ebp;
  r.EFlags = context.EFlags;
  r.Eax = context.Eax;
  r.Ebx = context.Ebx;
  r.Ecx = context.Ecx;
  r.Edx = context.Edx;
  r.Esi = context.Esi;
  r.Edi = context.Edi;
  r.SegCs = static_cast<std::uint16_t>(context.SegCs);
  r.SegSs = static_cast<std::uint16_t>(context.SegSs);
  return r;
}

}  // namespace

TSuspendedThread::TSuspendedThread(std::uint32_t threadId) noexcept
    : TSuspendedThread(threadId, ContextEngineThreadTest()) {}

TSuspendedThread::TSuspendedThread(std::uint32_t threadId,
                                   TEngineThreadTest isEngineThread) noexcept
    : threadId_(threadId) {
  if (threadId == GetCurrentThreadId()) {
    state_ = tsCallingThread;
    return;
  }
  if (isEngineThread && isEngineThread(threadId)) {
    state_ = tsEngineThread;
    return;
  }
  thread_ = OpenThread(kThreadAccess, FALSE, threadId);
  if (!thread_) return;  // tsNotOpened
  if (SuspendThread(thread_) == kSuspendFailed) {
    state_ = tsNotSuspended;
    return;
  }
  suspended_ = true;
  // Reading the context also waits until the suspension has taken effect.
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
  if (!GetThreadContext(thread_, &context)) {
    state_ = tsNoContext;
    return;
  }
  registers_ = RegistersOf(context);
  state_ = tsSuspended;
}

TSuspendedThread::~TSuspendedThread() {
  if (suspended_) ResumeThread(thread_);
  if (thread_) CloseHandle(thread_);
}

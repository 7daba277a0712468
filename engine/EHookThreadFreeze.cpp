#include "engine/EHookThreadFreeze.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstddef>

namespace {

constexpr DWORD kThreadAccess = THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_SET_CONTEXT;
constexpr DWORD kSuspendFailed = static_cast<DWORD>(-1);

// Whether a Tool Help entry is long enough to hold its owner's process id.
bool HasOwner(const THREADENTRY32& entry) {
  return entry.dwSize >=
         offsetof(THREADENTRY32, th32OwnerProcessID) + sizeof entry.th32OwnerProcessID;
}

}  // namespace

void TThreadFreeze::THandleCloser::operator()(void* handle) const noexcept {
  CloseHandle(handle);
}

std::vector<TThreadFreeze::THandle> TThreadFreeze::OpenOtherThreads(
    TEngineThreadTest isEngineThread) {
  std::vector<THandle> threads;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return threads;
  const THandle ownedSnapshot(snapshot);
  const DWORD process = GetCurrentProcessId();
  const DWORD self = GetCurrentThreadId();
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    const DWORD id = entry.th32ThreadID;
    const bool candidate = HasOwner(entry) && entry.th32OwnerProcessID == process && id != self &&
                           !(isEngineThread && isEngineThread(id));
    entry.dwSize = sizeof entry;
    if (!candidate) continue;
    THandle thread(OpenThread(kThreadAccess, FALSE, id));
    if (thread) threads.push_back(std::move(thread));
  }
  return threads;
}

TThreadFreeze::TThreadFreeze(TEngineThreadTest isEngineThread) noexcept {
  try {
    threads_ = OpenOtherThreads(isEngineThread);
  } catch (...) {
    return;  // the list could not be allocated; nothing is suspended
  }
  // From here on nothing allocates or frees: a thread that is not suspended
  // is only closed and its entry left empty.
  for (THandle& thread : threads_) {
    if (SuspendThread(thread.get()) == kSuspendFailed) {
      thread.reset();
      continue;
    }
    // Suspension takes effect later; reading the context waits for it.
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(thread.get(), &context);
  }
}

TThreadFreeze::~TThreadFreeze() {
  for (const THandle& thread : threads_) {
    if (thread) ResumeThread(thread.get());
  }
}

void TThreadFreeze::MoveThreads(std::span<const TThreadMove> moves) noexcept {
  if (moves.empty()) return;
  for (const THandle& thread : threads_) {
    if (!thread) continue;
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    if (!GetThreadContext(thread.get(), &context)) continue;
    if (const TThreadMove* move = FindMove(moves, context.Eip)) {
      context.Eip = move->To;
      SetThreadContext(thread.get(), &context);
    }
  }
}

#include "engine/ExceptionLogThreads.h"

#include <windows.h>

#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "debuginfo/ESnapshotThreads.h"
#include "engine/EHook.h"
#include "engine/ECoreModules.h"
#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogProcess.h"
#include "engine/ExceptionLogThreadBlock.h"
#include "platform/runtime/Thread.h"

namespace {

using TCreateThread = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID,
                                      DWORD, LPDWORD);
using TResumeThread = DWORD(WINAPI*)(HANDLE);
using TExitThread = void(WINAPI*)(DWORD);
using TExecute = void(__attribute__((thiscall)) *)(TThread*);

TCreateThread realCreateThread = &CreateThread;
TResumeThread realResumeThread = &ResumeThread;
TExitThread realExitThread = &ExitThread;

constexpr std::uintptr_t kWrapperReach = 64;

// The Execute each hooked class had, by its method table.
std::mutex executeLock;
std::map<TMethodTable, TExecute>& OriginalExecutes() {
  static std::map<TMethodTable, TExecute> originals;
  return originals;
}

// The Execute slot of our thread class.
struct TSlotProbe : TThread {
  void Execute() override {}
  static std::ptrdiff_t Slot() { return VirtualMethodSlot(&TSlotProbe::Execute); }
};

void __attribute__((thiscall)) HookedExecute(TThread* thread) {
  TExecute original = nullptr;
  {
    std::lock_guard guard(executeLock);
    const auto found = OriginalExecutes().find(MethodTableOf(*thread));
    if (found != OriginalExecutes().end()) original = found->second;
  }
  if (!original) return;
  try {
    original(thread);
  } catch (...) {
    // The raise was reported where it happened, with its stack intact,
    // unless it named a thread for a debugger; the thread procedure ends the
    // thread as ever.
    throw;
  }
}

// The start of a thread of this module: records the thread's stack base in
// its entry, then runs the real routine.
struct TStart {
  LPTHREAD_START_ROUTINE Routine;
  LPVOID Parameter;
};

DWORD WINAPI StartThread(LPVOID argument) {
  const TStart start = *static_cast<TStart*>(argument);
  HeapFree(GetProcessHeap(), 0, argument);
  const DWORD id = GetCurrentThreadId();
  const TAddress top = CallingThreadStackTop();
  ThreadsList().Update(id, [top](TDovaroThreadEntry& entry) { entry.StackTop = top; });
  return start.Routine(start.Parameter);
}

void HookExecuteOf(TThread* thread) {
  const TMethodTable table = MethodTableOf(*thread);
  std::lock_guard guard(executeLock);
  if (OriginalExecutes().count(table)) return;
  try {
    void* replaced =
        HookVirtualMethod(table, TSlotProbe::Slot(), reinterpret_cast<void*>(&HookedExecute));
    if (replaced && replaced != reinterpret_cast<void*>(&HookedExecute)) {
      OriginalExecutes()[table] = reinterpret_cast<TExecute>(replaced);
    }
  } catch (...) {
    // The class stays unhooked: its exceptions still end the thread.
  }
}

HANDLE WINAPI HookedCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                                 LPTHREAD_START_ROUTINE routine, LPVOID parameter, DWORD flags,
                                 LPDWORD threadId) {
  TExceptionLogEngine* engine = InterceptionEngine();
  if (!engine || !engine->EngineActive) {
    return realCreateThread(security, stack, routine, parameter, flags, threadId);
  }
  TDovaroThreadEntry entry;
  entry.Parameter = parameter;
  entry.ThreadProcedure = reinterpret_cast<void*>(routine);
  entry.CreatorThreadId = GetCurrentThreadId();
  const auto start = reinterpret_cast<std::uintptr_t>(routine);
  const auto wrapper = reinterpret_cast<std::uintptr_t>(&TThread::ThreadProc);
  bool engineThread = false;
  if (start >= wrapper && start < wrapper + kWrapperReach) {
    auto* object = static_cast<TThread*>(parameter);
    engineThread = IsEngineThreadClass(object);
    entry.ThreadObject = object;
    if (!engineThread) HookExecuteOf(object);
  }
  if (engineThread) return realCreateThread(security, stack, routine, parameter, flags, threadId);
  auto* started = static_cast<TStart*>(HeapAlloc(GetProcessHeap(), 0, sizeof(TStart)));
  if (!started) return realCreateThread(security, stack, routine, parameter, flags, threadId);
  *started = {routine, parameter};
  DWORD id = 0;
  HANDLE thread =
      realCreateThread(security, stack, &StartThread, started, flags | CREATE_SUSPENDED, &id);
  if (!thread) {
    HeapFree(GetProcessHeap(), 0, started);
    return nullptr;
  }
  if (threadId) *threadId = id;
  entry.ThreadId = id;
  entry.ThreadHandle = thread;
  ThreadsList().Add(entry);
  if (!(flags & CREATE_SUSPENDED)) realResumeThread(thread);
  return thread;
}

DWORD WINAPI HookedResumeThread(HANDLE thread) {
  TExceptionLogEngine* engine = InterceptionEngine();
  const TThreadBlock* block = ExistingThreadBlock();
  if (engine && engine->EngineActive && !(block && block->EngineThread) &&
      !engine->IsExcludedThread(GetCurrentThreadId())) {
    if (auto copy = CopyCallingThreadStack()) {
      ThreadsList().UpdateCreatorStack(thread, GetCurrentThreadId(), std::move(copy));
    }
  }
  return realResumeThread(thread);
}

void WINAPI HookedExitThread(DWORD code) {
  DeleteCallingThreadEntry();
  FreeCurrentThreadBlock();
  realExitThread(code);
}

template <class Routine>
void HookKernelImport(const std::string& module, const char* name, Routine replacement,
                      Routine& real) {
  const std::vector<std::string> modules = {module, std::string(), std::string()};
  void* replaced = nullptr;
  try {
    if (HookImport(modules, "kernel32.dll", true, replaced, reinterpret_cast<void*>(replacement),
                   name) &&
        replaced) {
      real = reinterpret_cast<Routine>(replaced);
    }
  } catch (...) {
    // The point stays absent.
  }
}

}  // namespace

bool IsExecuteHook(std::uintptr_t function) noexcept {
  return function == reinterpret_cast<std::uintptr_t>(&HookedExecute);
}

bool IsEngineThreadClass(const void* threadObject) {
  const std::string name = ExceptionClassName(threadObject);
  return name == "TExceptionThread" || name == "TFreezeThread" || name == "TSendThread" ||
         name == "TSendDialogThread" || name.ends_with("::TExceptionThread") ||
         name.ends_with("::TFreezeThread") || name.ends_with("::TSendThread") ||
         name.ends_with("::TSendDialogThread");
}

void InstallThreadHooks(TExceptionLogEngine& engine) {
  const std::string module = CurrentModuleFileName();
  (void)engine;
  HookKernelImport(module, "CreateThread", &HookedCreateThread, realCreateThread);
  HookKernelImport(module, "ResumeThread", &HookedResumeThread, realResumeThread);
  HookKernelImport(module, "ExitThread", &HookedExitThread, realExitThread);
}

#include "engine/ExceptionLog.h"

#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "debuginfo/ESnapshotThreads.h"
#include "engine/ECoreModules.h"
#include "engine/ECoreSharedArea.h"
#include "engine/EHook.h"
#include "engine/EngineUnits.h"
#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogEvents.h"
#include "engine/ExceptionLogFreeze.h"
#include "engine/ExceptionLogOs.h"
#include "engine/ExceptionLogProcess.h"
#include "engine/ExceptionLogRaise.h"
#include "engine/ExceptionLogThreadBlock.h"
#include "engine/ExceptionLogThreads.h"
#include "platform/memory/LiveMemory.h"

namespace {

constexpr std::size_t kOutOfMemoryReserve = 64 * 1024;

struct TUnit {
  std::unique_ptr<TExceptionLogEngine> Engine;
  std::unique_ptr<char[]> Reserve;  // released before handling, for out-of-memory reports
  TEngineContext* Context = nullptr;
};

TUnit& Unit() {
  static TUnit unit;
  return unit;
}

std::atomic<TExceptionLogEngine*> activeEngine{nullptr};

using TRaiseException = void(WINAPI*)(DWORD, DWORD, DWORD, const ULONG_PTR*);
TRaiseException realRaiseException = nullptr;

// Structured exceptions raised through this module's import: where the
// stack walk of a later report starts; the debugger notifications that no
// debugger reads are swallowed.
void WINAPI HookedRaiseException(DWORD code, DWORD flags, DWORD count, const ULONG_PTR* arguments) {
  if (code == kDebuggerNotificationCode && flags == 0 && count == 2 && arguments &&
      !IsDebuggerPresent()) {
    std::uint32_t first = 0;
    if (LiveMemory().ReadRecord(arguments[0], first) && first == 0x1003F &&
        LiveMemory().IsReadable(arguments[0], 80)) {
      return;
    }
  }
  if (code != kThreadNamingExceptionCode) {
    if (TThreadBlock* block = CurrentThreadBlock()) {
      block->SavedStackPointer = AddressOf(__builtin_frame_address(0));
    }
  }
  realRaiseException(code, flags, count, arguments);
}

void HookRaiseException() {
  const std::vector<std::string> modules = {CurrentModuleFileName(), std::string(), std::string()};
  void* replaced = nullptr;
  try {
    if (HookImport(modules, "kernel32.dll", true, replaced,
                   reinterpret_cast<void*>(&HookedRaiseException), "RaiseException") &&
        replaced) {
      realRaiseException = reinterpret_cast<TRaiseException>(replaced);
    }
  } catch (...) {
  }
}

// The process's first thread: the main thread.
std::uint32_t MainThreadId() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return GetCurrentThreadId();
  std::uint32_t first = 0;
  ULONGLONG earliest = ~0ULL;
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread)) {
    if (thread.th32OwnerProcessID != GetCurrentProcessId()) continue;
    const HANDLE handle = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread.th32ThreadID);
    if (!handle) continue;
    FILETIME created, exited, kernel, user;
    if (GetThreadTimes(handle, &created, &exited, &kernel, &user)) {
      const ULONGLONG at = (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
      if (at < earliest) {
        earliest = at;
        first = thread.th32ThreadID;
      }
    }
    CloseHandle(handle);
  }
  CloseHandle(snapshot);
  return first ? first : GetCurrentThreadId();
}

void ListMainThread(TExceptionLogEngine& engine) {
  TDovaroThreadEntry entry;
  entry.ThreadId = engine.MainThreadId;
  entry.ThreadHandle =
      OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE,
                 engine.MainThreadId);
  if (engine.MainThreadId == GetCurrentThreadId()) entry.StackTop = CallingThreadStackTop();
  ThreadsList().Add(entry);
}

void ObserveExportFailure(const char*) {
  TExceptionLogEngine* engine = activeEngine.load();
  if (!engine || !engine->EngineActive || !engine->MainTakesOver) return;
  // The main module's engine decides about failures that leave this module.
  const std::exception_ptr current = std::current_exception();
  void* object = nullptr;
  std::memcpy(&object, &current, sizeof object);
  const TThreadBlock* block = ExistingThreadBlock();
  const TAddress address = block && block->HasRecord ? block->Record.ExceptionAddress : 0;
  ExceptionManager(*engine, object, address, hkPlain, engine->Module);
}

bool IsEngineThread(unsigned long threadId) {
  TExceptionLogEngine* engine = activeEngine.load();
  return engine && engine->IsExcludedThread(threadId);
}

void ControlFreezeWatchOfEngine(bool run) {
  if (TExceptionLogEngine* engine = activeEngine.load()) ControlFreezeWatch(*engine, run);
}

std::optional<std::string> RequestPassword(const TDovaroModuleInfo& module, int attempt) {
  std::string password = FirePasswordRequest(activeEngine.load(), module.Handle, attempt);
  if (password.empty()) return std::nullopt;
  return password;
}

void StartUp() {
  TUnit& unit = Unit();
  auto engine = std::make_unique<TExceptionLogEngine>();
  engine->Module = CurrentModuleHandle();
  const auto main = static_cast<TModuleHandle>(GetModuleHandleA(nullptr));
  engine->MainTakesOver = engine->Module != main && IsCompatibleEngine(main);
  engine->MainModule = IsCompatibleEngine(main) ? main : nullptr;
  engine->OwnInterception = true;
  char folder[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(sizeof folder, folder);
  engine->StartFolder = folder;
  engine->InitialisationPhase = true;
  engine->MainThreadId = MainThreadId();
  if (!CreateThreadBlocks()) return;
  EventVariables() = TEventHandlers();
  const TDovaroModuleInfo* current = CurrentModuleInfo();
  if (!current || !current->EngineDataLoaded) {
    // No engine data: the engine stays inactive in this module.
    unit.Engine = std::move(engine);
    activeEngine = unit.Engine.get();
    return;
  }
  EnsureSharedOptionsArea(engine->Module);
  engine->EngineActive = true;
  ListMainThread(*engine);
  unit.Engine = std::move(engine);
  TExceptionLogEngine& active = *unit.Engine;
  activeEngine = &active;
  if (active.OwnInterception) {
    if (!active.MainTakesOver) InstallOsInterception(active);
    HookRaiseException();
    InstallThreadHooks(active);
  }
  const TDovaroModuleOptions& options = CurrentZuderaDodOptions();
  if (options.Enabled() && options.FreezeWatch()) ControlFreezeWatch(active, true);
}

void ShutDown() {
  TUnit& unit = Unit();
  TExceptionLogEngine* engine = unit.Engine.get();
  if (!engine) return;
  if (engine->EngineActive) {
    engine->FinalisationPhase = true;
    { std::lock_guard wait(engine->HandlingLock); }  // a handling in progress ends first
    ControlFreezeWatch(*engine, false);
    engine->KeptStack.reset();
    RemoveOsInterception(*engine);
    engine->EngineActive = false;
  }
  RemoveLastChanceFilter(*engine);
  activeEngine = nullptr;
  unit.Engine.reset();
  FreeThreadBlocks();
}

}  // namespace

TExceptionLogEngine* InterceptionEngine() noexcept {
  return activeEngine.load();
}

void ExceptionLogInit(TEngineContext& context) noexcept {
  TUnit& unit = Unit();
  unit.Context = &context;
  RunGuardedUnitStep("ExceptionLog.Init", StartUp);
  unit.Reserve.reset(new (std::nothrow) char[kOutOfMemoryReserve]);
  if (TExceptionLogEngine* engine = activeEngine.load()) InstallLastChanceFilter(*engine);
}

void ExceptionLogInitialised() noexcept {
  if (TExceptionLogEngine* engine = activeEngine.load()) engine->InitialisationPhase = false;
}

void ExceptionLogDone() noexcept {
  RunGuardedUnitStep("ExceptionLog.Done", ShutDown);
  Unit().Reserve.reset();
}

void ExceptionLogThreadEnds() noexcept {
  FreeCurrentThreadBlock();
}

// The routines of this unit that the lower layers call through the context.
void ConnectExceptionLog(TEngineContext& context) {
  if (!context.ObserveExportFailure) context.ObserveExportFailure = ObserveExportFailure;
  if (!context.IsEngineThread) context.IsEngineThread = IsEngineThread;
  if (!context.ControlFreezeWatch) context.ControlFreezeWatch = ControlFreezeWatchOfEngine;
  if (!context.RequestDebugPassword) context.RequestDebugPassword = RequestPassword;
}

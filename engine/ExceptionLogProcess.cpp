#include "engine/ExceptionLogProcess.h"
#include "debuginfo/EDebugModules.h"

#include <windows.h>

#include <mutex>

#include "debuginfo/ESnapshotThreads.h"
#include "engine/ECoreModules.h"
#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogThreadBlock.h"
#include "platform/memory/LiveMemory.h"
#include "platform/runtime/Thread.h"

namespace {

constexpr const char* kSafecallPrefix = "[SafeCall Exception]: ";
constexpr int kMessagesPerRound = 11;
constexpr std::size_t kFocusTextLimit = 256;

// The thread that runs the handling sequence while the raising thread waits.
class TExceptionThread final : public TThread {
 public:
  TExceptionThread(TExceptionLogEngine& engine, const TProcessRequest& request,
                   TExceptNotifyParams& params)
      : engine_(engine), request_(request), params_(params) {}
  bool Result = false;

 protected:
  void Execute() override {
    if (TThreadBlock* block = CurrentThreadBlock()) block->EngineThread = true;
    engine_.ExcludeThread(GetCurrentThreadId(), true);
    Result = RunHandling(engine_, request_, params_);
    engine_.ExcludeThread(GetCurrentThreadId(), false);
  }

 private:
  TExceptionLogEngine& engine_;
  const TProcessRequest& request_;
  TExceptNotifyParams& params_;
};

bool IsInputMessage(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_LBUTTONDOWN && message <= WM_MOUSELAST && message != WM_MOUSEMOVE) ||
         (message >= WM_NCLBUTTONDOWN && message <= WM_NCXBUTTONDBLCLK);
}

// Up to 11 queued messages: input is dropped with a beep, the rest
// dispatched. False once pumping failed (it stays off for the wait).
bool PumpMessages() {
  try {
    MSG message;
    for (int i = 0; i < kMessagesPerRound && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
         ++i) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        break;
      }
      if (IsInputMessage(message.message)) {
        MessageBeep(0);
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    return true;
  } catch (...) {
    return false;
  }
}

// The raising thread's side of the wait: the slot served, messages pumped
// where allowed, until the handling thread ends.
void WaitForHandling(TExceptionLogEngine& engine, TExceptionThread& thread, bool pumping) {
  const bool mainThread = GetCurrentThreadId() == engine.MainThreadId;
  while (!thread.WaitFor(0)) {
    if (pumping && mainThread && engine.EngineWindowUp.load()) pumping = PumpMessages();
    if (const std::function<void()>* callback = engine.CallbackSlot.load()) {
      try {
        (*callback)();
      } catch (...) {
        // An event handler's failure never reaches the engine.
      }
      engine.CallbackSlot.store(nullptr);
    }
    Sleep(10);
  }
}

// The focused window's class and text, the text withheld from multi-line
// controls and masked in password fields.
void FocusFacts(TExceptNotifyParams& params) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(0, &info) || !info.hwndFocus) return;
  char name[256] = {};
  GetClassNameA(info.hwndFocus, name, sizeof name);
  params.FocusClass = name;
  params.FocusWindow = info.hwndFocus;
  if (IsWindowUnicode(info.hwndFocus)) return;
  std::string upper(name);
  CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  const LONG style = GetWindowLongA(info.hwndFocus, GWL_STYLE);
  const bool edit = upper.find("EDIT") != std::string::npos;
  if ((edit || upper.find("MEMO") != std::string::npos) && (style & ES_MULTILINE)) return;
  char text[kFocusTextLimit + 1] = {};
  const int length = static_cast<int>(SendMessageTimeoutA(info.hwndFocus, WM_GETTEXT, sizeof text,
                                                          reinterpret_cast<LPARAM>(text),
                                                          SMTO_ABORTIFHUNG, 100, nullptr)
                                          ? lstrlenA(text)
                                          : 0);
  params.FocusText.assign(text, length);
  if (edit && (style & ES_PASSWORD)) params.FocusText.assign(params.FocusText.size(), '*');
}

// Restores a thread's engine state whatever way the handling ends.
class THandlingMark {
 public:
  explicit THandlingMark(TThreadBlock* block) : block_(block) {
    if (block_) block_->HandlingInProgress = true;
  }
  ~THandlingMark() {
    if (block_) block_->HandlingInProgress = false;
  }
  THandlingMark(const THandlingMark&) = delete;
  THandlingMark& operator=(const THandlingMark&) = delete;

 private:
  TThreadBlock* block_;
};

bool RunsInCallingThread(const TExceptionLogEngine& engine, const TProcessRequest& request) {
  if (request.LeakReport) return true;
  const bool library = engine.Module != static_cast<TModuleHandle>(GetModuleHandleA(nullptr));
  return library && (engine.InitialisationPhase.load() || engine.FinalisationPhase.load());
}

}  // namespace

bool ProcessException(TExceptionLogEngine& engine, const TProcessRequest& request) {
  if (!engine.EngineActive || IsAbortException(request.Object)) return true;
  const TDovaroModuleOptions& own = CurrentZuderaDodOptions();
  const std::vector<std::string> ancestry = ClassAncestry(request.Object);
  const bool stackOverflow = InheritsFromName(ancestry, "EStackOverflow");
  const std::uint16_t behaviour = own.BehaviourFlags();
  const bool pumping =
      !stackOverflow && !((behaviour & PauseOwnThreads) && !(behaviour & KeepMainThreadRunning));

  std::lock_guard lock(engine.HandlingLock);
  TThreadBlock* block = CurrentThreadBlock();
  if (block && block->HandlingInProgress) return false;  // raised while this thread handles one
  const THandlingMark mark(block);

  const std::string message = ExceptionMessage(request.Object).value_or(std::string());
  if (!(behaviour & HandleSafecallExceptions) && message.rfind(kSafecallPrefix, 0) == 0) {
    return false;
  }
  if (!own.Enabled()) return true;

  TExceptNotifyParams params;
  params.CaughtByProgram = request.CaughtByProgram;
  params.GivenStack = request.GivenStack;
  params.ContextPtr = request.Context              ? request.Context
                      : block && block->HasContext ? &block->Context
                                                   : nullptr;
  params.OsRecordPtr = request.OsRecord            ? request.OsRecord
                       : block && block->HasRecord ? &block->Record
                                                   : nullptr;
  params.WalkStart = static_cast<std::uint32_t>(request.WalkStart);
  if (params.WalkStart == 0 && params.ContextPtr) params.WalkStart = params.ContextPtr->Esp;
  if (params.WalkStart == 0 && block) {
    params.WalkStart = static_cast<std::uint32_t>(block->SavedStackPointer);
  }
  params.StackBase = request.StackBase ? request.StackBase : CallingThreadStackTop();
  params.SourceThread = request.SourceThread ? request.SourceThread : GetCurrentThreadId();
  FocusFacts(params);
  if (!request.CaughtByProgram && block) {
    block->LastClassName.Assign(ancestry.empty() ? std::string() : ancestry.front());
    block->LastAddress = request.Address;
  }

  bool result = false;
  if (RunsInCallingThread(engine, request)) {
    result = RunHandling(engine, request, params);
  } else {
    TExceptionThread thread(engine, request, params);
    thread.Priority = THREAD_PRIORITY_HIGHEST;
    if (thread.Start()) {
      WaitForHandling(engine, thread, pumping);
      if (!thread.WaitFor()) TerminateThread(static_cast<HANDLE>(thread.Handle()), 1);
      result = thread.Result;
    } else {
      result = RunHandling(engine, request, params);
    }
  }
  if (block) block->ClearCopies();
  engine.LastObject = nullptr;
  engine.LastAddress = 0;
  engine.Current = nullptr;
  return result;
}

bool ExceptionManager(TExceptionLogEngine& engine, const void* object, TAddress address,
                      int handlerKind, TModuleHandle module) {
  std::lock_guard lock(engine.HandlingLock);
  if (engine.MainTakesOver && engine.MainModule) {
    using TManager = BOOL(__stdcall*)(const void*, TAddress, int, TModuleHandle);
    if (auto forward = reinterpret_cast<TManager>(reinterpret_cast<void*>(
            GetProcAddress(static_cast<HMODULE>(engine.MainModule), "ExceptionManager")))) {
      return forward(object, address, handlerKind, engine.Module) != 0;
    }
  }
  if (!engine.HandlingAllowedHere()) return true;
  const bool objectUsable = IsValidObject(object) && !IsAbortException(object);
  const bool lastUsable = IsValidObject(engine.LastObject) && !IsAbortException(engine.LastObject);
  if (!objectUsable && !lastUsable) return true;
  if (!objectUsable) {
    object = engine.LastObject;
    address = engine.LastAddress;
  }
  TThreadBlock* block = CurrentThreadBlock();
  if (block && block->SavedStackPointer == 0) {
    block->SavedStackPointer = AddressOf(__builtin_frame_address(0));
  }
  bool language = engine.LastWasLanguageException;
  if (const auto holder = reinterpret_cast<HMODULE>(ModuleHandleOfAddress(address))) {
    using TLastFlag = BOOL(__stdcall*)();
    if (auto flag = reinterpret_cast<TLastFlag>(
            reinterpret_cast<void*>(GetProcAddress(holder, "ZuderaDod_LastDelphiException")))) {
      language = flag() != 0;
    }
  }
  TProcessRequest request;
  request.Object = object;
  request.Address = address;
  request.LanguageException = language;
  request.Module = module;
  request.HandlerKind = handlerKind;
  return ProcessException(engine, request);
}

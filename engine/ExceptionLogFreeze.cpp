#include "engine/ExceptionLogFreeze.h"

#include <windows.h>

#include "debuginfo/ESnapshotSuspend.h"
#include "debuginfo/ESnapshotWindows.h"
#include "engine/ECoreModules.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogProcess.h"
#include "engine/ExceptionLogThreadBlock.h"
#include "engine/EngineContext.h"
#include "debuginfo/EStackLive.h"
#include "debuginfo/EStackThreads.h"
#include "platform/memory/LiveMemory.h"
#include "platform/runtime/Exception.h"

class EFrozenApplication : public Exception {
 public:
  using Exception::Exception;
};

namespace {
constexpr DWORD kStepMilliseconds = 50;
constexpr int kQuietSteps = 6;
constexpr int kFrozenText = 156;
}  // namespace

void TFreezeThread::ReportFreeze() {
  // The main thread is held only while its registers and stack are copied;
  // the report is made from the copy while it runs on, so the handling never
  // waits for a lock the main thread holds.
  const TThreadStackSnapshot snapshot = CopyThreadStack(engine_.MainThreadId);
  const TThreadRegisters& r = snapshot.Registers;
  if (snapshot.State != tsSuspended || r.Eip == 0 || r.Esp == 0) return;
  TRegisterContext context{};
  context.ContextFlags = kContextControlAndInteger;
  context.Eip = r.Eip, context.Esp = r.Esp, context.Ebp = r.Ebp, context.EFlags = r.EFlags;
  context.Eax = r.Eax, context.Ebx = r.Ebx, context.Ecx = r.Ecx, context.Edx = r.Edx;
  context.Esi = r.Esi, context.Edi = r.Edi, context.SegCs = r.SegCs, context.SegSs = r.SegSs;
  TStackScanRequest scan;
  scan.FirstAddress = r.Eip;
  scan.StackLow = snapshot.Stack.From;
  scan.StackHigh = snapshot.Stack.From + snapshot.Stack.Bytes.size() - 4;
  scan.AddCallees = true;
  scan.ThreadId = engine_.MainThreadId;
  TLiveStackLocator locator;
  const TStackOverlayMemory memory(snapshot.Stack, LiveMemory());
  const auto stack = BuildCallStack(scan, memory, locator);
  EFrozenApplication frozen(CurrentZuderaDodOptions().Text(kFrozenText));
  TProcessRequest request;
  request.Object = &frozen;
  request.Address = r.Eip;
  request.Context = &context;
  request.GivenStack = stack.get();
  request.WalkStart = r.Esp;
  request.SourceThread = engine_.MainThreadId;
  request.Module = engine_.Module;
  request.HandlerKind = hkApplication;
  ProcessException(engine_, request);
}

void TFreezeThread::Execute() {
  if (TThreadBlock* block = CurrentThreadBlock()) block->EngineThread = true;
  engine_.ExcludeThread(GetCurrentThreadId(), true);
  DWORD silence = 0;
  while (!Terminated()) {
    const auto window = static_cast<HWND>(MainWindowOf(GetCurrentProcessId()));
    if (!window) {
      Sleep(kStepMilliseconds);
      continue;
    }
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kStepMilliseconds, &answer)) {
      for (int i = 0; i < kQuietSteps && !Terminated(); ++i) Sleep(kStepMilliseconds);
      silence = 0;
      continue;
    }
    silence += kStepMilliseconds;
    // One report when the silence reaches the time-out; the next freeze
    // counts anew once the window has answered.
    if (silence == CurrentZuderaDodOptions().FreezeTimeoutSecs() * 1000) ReportFreeze();
  }
  engine_.ExcludeThread(GetCurrentThreadId(), false);
}

TFreezeWatchdog::TFreezeWatchdog(TExceptionLogEngine& engine) : thread_(engine) {
  if (TEngineContext* context = EngineContext()) context->LightRegistration = true;
  thread_.Start();
  if (TEngineContext* context = EngineContext()) context->LightRegistration = false;
}

TFreezeWatchdog::~TFreezeWatchdog() {
  thread_.Terminate();
  if (!thread_.WaitFor(5000)) TerminateThread(static_cast<HANDLE>(thread_.Handle()), 1);
}

void ControlFreezeWatch(TExceptionLogEngine& engine, bool run) {
  if (run && !engine.Freeze) engine.Freeze = std::make_unique<TFreezeWatchdog>(engine);
  if (!run) engine.Freeze.reset();
}

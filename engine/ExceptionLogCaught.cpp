#include "engine/ExceptionLogCaught.h"

#include <windows.h>

#include <algorithm>

#include "debuginfo/ESnapshotThreads.h"
#include "debuginfo/EStackLive.h"
#include "debuginfo/EStackScan.h"
#include "debuginfo/EStackThreads.h"
#include "engine/ECoreModules.h"
#include "engine/ECoreOptionFlags.h"
#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogProcess.h"
#include "engine/ExceptionLogThreadBlock.h"
#include "platform/memory/LiveMemory.h"

namespace {

constexpr TAddress kRaiseCallLength = 5;

}  // namespace

bool CaughtExceptionsReported() {
  return CurrentZuderaDodOptions().BehaviourFlags() & ReportCaughtExceptions;
}

void KeepRaiseStack(TExceptionLogEngine& engine, const TThreadBlock& block, const void* object,
                    TAddress raiseAddress) {
  const TAddress from = block.SavedStackPointer;
  const TAddress top = CallingThreadStackTop();
  if (from == 0 || top <= from) return;
  const std::size_t size = std::min<std::size_t>(top - from, kMaxScannedStackBytes);
  TRaiseStackCopy& copy = engine.RaiseStack;
  std::lock_guard hold(copy.Lock);
  copy.Stack.From = from;
  copy.Stack.Bytes.resize(size);
  copy.Stack.Bytes.resize(LiveMemory().Read(from, copy.Stack.Bytes.data(), size));
  copy.ThreadId = GetCurrentThreadId();
  copy.Object = object;
  copy.RaiseAddress = raiseAddress;
}

void OnCatch(TExceptionLogEngine& engine, const void* object) noexcept {
  try {
    // Every catch of the module comes here: the common case leaves at once.
    if (!engine.EngineActive || !CaughtExceptionsReported()) return;
    if (!engine.HandlingAllowedHere()) return;
    TThreadBlock* block = CurrentThreadBlock();
    const TRaiseProcessing guard(block);
    if (!guard.Entered() || block->HandlingInProgress) return;
    TProcessRequest request;
    std::unique_ptr<TDovaroStackList> stack;
    {
      TRaiseStackCopy& copy = engine.RaiseStack;
      std::lock_guard hold(copy.Lock);
      // Only the raise the engine judged caught and kept, in this thread.
      if (copy.ThreadId != GetCurrentThreadId() || copy.Object != object) return;
      copy.ThreadId = 0;
      const std::vector<std::string> ancestry = ClassAncestry(object);
      if (ancestry.empty() || InheritsFromName(ancestry, "EAbort")) return;
      // One already reported where it was raised is not reported again.
      if (block->LastAddress == copy.RaiseAddress && block->LastClassName.Str() == ancestry.front())
        return;
      const TStackOverlayMemory memory(copy.Stack, LiveMemory());
      TStackScanRequest scan;
      scan.FirstAddress = copy.RaiseAddress - kRaiseCallLength;
      scan.StackLow = copy.Stack.From & ~TAddress{3};
      scan.StackHigh = copy.Stack.From + copy.Stack.Bytes.size() - 4;
      scan.AddCallees = true;
      scan.ThreadId = GetCurrentThreadId();
      TLiveStackLocator locator;
      stack = BuildCallStack(scan, memory, locator);
      request.Address = copy.RaiseAddress;
      request.WalkStart = copy.Stack.From;
    }
    request.Object = object;
    request.LanguageException = true;
    request.CaughtByProgram = true;
    request.GivenStack = stack.get();
    request.Module = engine.Module;
    request.HandlerKind = hkPlain;
    ProcessException(engine, request);
  } catch (...) {
    // The program's catch goes on whatever the engine met.
  }
}

extern "C" void vipc_note_catch(void* object) {
  if (TExceptionLogEngine* engine = InterceptionEngine()) OnCatch(*engine, object);
}

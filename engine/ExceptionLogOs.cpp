#include "engine/ExceptionLogOs.h"

#include <windows.h>

#include <cxxabi.h>

#include <cstring>
#include <exception>

#include "debuginfo/ESnapshotThreads.h"
#include "engine/ExceptionLogCatch.h"
#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogProcess.h"
#include "engine/ExceptionLogRaise.h"
#include "engine/ExceptionLogThreadBlock.h"
#include "platform/memory/LiveMemory.h"
#include "platform/runtime/ExportBoundary.h"

namespace {

std::terminate_handler previousTerminate = nullptr;

// Exceptions the engine never takes for faults: debugger traffic and
// notifications, and the export boundary's own raise to the host.
bool IsFault(DWORD code) {
  if (code == kThreadNamingExceptionCode || code == kDebuggerNotificationCode) return false;
  if (code == kBoundaryExceptionCode) return false;
  if (code == 0xE06D7363) return false;  // another compiler's C++ exceptions: its own business
  return (code & 0xC0000000u) == 0xC0000000u;
}

void CopyIntoThreadBlock(TThreadBlock& block, const void* osRecord, const void* context) {
  if (LiveMemory().ReadAll(AddressOf(osRecord), &block.Record, sizeof block.Record)) {
    block.HasRecord = true;
  }
  if (context && LiveMemory().ReadAll(AddressOf(context), &block.Context, sizeof block.Context)) {
    block.Context.ContextFlags = kContextControlAndInteger;
    block.SavedStackPointer = block.Context.Esp;
    block.HasContext = true;
  } else {
    block.Context = {};
    block.HasContext = false;
    block.SavedStackPointer = 0;
  }
}

bool InOrdinaryMainThreadRun(const TExceptionLogEngine& engine) {
  return GetCurrentThreadId() == engine.MainThreadId && !engine.InitialisationPhase.load() &&
         !engine.FinalisationPhase.load();
}

LONG CALLBACK FirstLook(EXCEPTION_POINTERS* pointers) {
  TExceptionLogEngine* engine = InterceptionEngine();
  if (!engine || !engine->EngineActive || !pointers || !pointers->ExceptionRecord) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  const DWORD code = pointers->ExceptionRecord->ExceptionCode;
  if (!IsFault(code) || !engine->HandlingAllowedHere()) return EXCEPTION_CONTINUE_SEARCH;
  TThreadBlock* block = CurrentThreadBlock();
  if (!block || block->RaiseProcessing || block->HandlingInProgress)
    return EXCEPTION_CONTINUE_SEARCH;
  CopyIntoThreadBlock(*block, pointers->ExceptionRecord, pointers->ContextRecord);
  engine->LastAddress = reinterpret_cast<TAddress>(pointers->ExceptionRecord->ExceptionAddress);
  if (InOrdinaryMainThreadRun(*engine)) return EXCEPTION_CONTINUE_SEARCH;
  // A frame of the program's own will handle it: nothing to make or report.
  if (AnalyseOsException().Caught) return EXCEPTION_CONTINUE_SEARCH;
  ConvertOsException(*engine, pointers->ExceptionRecord, pointers->ContextRecord, true);
  return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI LastChance(EXCEPTION_POINTERS* pointers) {
  TExceptionLogEngine* engine = InterceptionEngine();
  auto previous =
      engine ? reinterpret_cast<LPTOP_LEVEL_EXCEPTION_FILTER>(engine->PreviousUnhandledFilter)
             : nullptr;
  if (!engine || !engine->EngineActive || !engine->HandlingAllowedHere() || !pointers) {
    return previous ? previous(pointers) : EXCEPTION_CONTINUE_SEARCH;
  }
  const DWORD code = pointers->ExceptionRecord->ExceptionCode;
  TThreadBlock* block = CurrentThreadBlock();
  if (block) CopyIntoThreadBlock(*block, pointers->ExceptionRecord, pointers->ContextRecord);
  const void* object =
      ConvertOsException(*engine, pointers->ExceptionRecord, pointers->ContextRecord, false);
  const std::string message = ExceptionMessage(object).value_or(std::string());
  if (message != engine->LastExceptionMessage ||
      engine->LastHandledAddress !=
          reinterpret_cast<TAddress>(pointers->ExceptionRecord->ExceptionAddress)) {
    if (block && block->SavedStackPointer == 0 && pointers->ContextRecord) {
      block->SavedStackPointer = pointers->ContextRecord->Esp;
    }
    TProcessRequest request;
    request.Object = object;
    request.Address = reinterpret_cast<TAddress>(pointers->ExceptionRecord->ExceptionAddress);
    request.Module = engine->Module;
    ProcessException(*engine, request);
  }
  TerminateProcess(GetCurrentProcess(), code);
  return EXCEPTION_EXECUTE_HANDLER;
}

// A C++ exception nothing handled: it was reported at its raise, unless the
// raise could not tell; then the thread or the program ends with exit code 1.
void NothingHandled() {
  TExceptionLogEngine* engine = InterceptionEngine();
  if (engine && engine->EngineActive) {
    const std::exception_ptr current = std::current_exception();
    void* object = nullptr;
    std::memcpy(&object, &current, sizeof object);
    const TThreadBlock* block = ExistingThreadBlock();
    const TAddress raise = block && block->HasRecord ? block->Record.ExceptionAddress : 0;
    if (object && raise != 0 && raise - 5 != engine->LastHandledAddress) {
      OnRaise(*engine, object, raise, true, abi::__cxa_current_exception_type(), 0);
    }
    if (GetCurrentThreadId() != engine->MainThreadId) ExitThread(1);
  }
  ExitProcess(1);
}

}  // namespace

const void* ConvertOsException(TExceptionLogEngine& engine, const void* osRecord,
                               const void* context, bool handleNow) {
  TOsExceptionRecord record;
  if (!LiveMemory().ReadRecord(AddressOf(osRecord), record)) return nullptr;
  if (record.ExceptionCode == kThreadNamingExceptionCode) return nullptr;
  if (TThreadBlock* block = CurrentThreadBlock()) CopyIntoThreadBlock(*block, osRecord, context);
  engine.ConvertedObject = MakeExternalException(record);
  const void* object = engine.ConvertedObject.get();
  const TAddress address = record.ExceptionAddress;
  if (!handleNow || InOrdinaryMainThreadRun(engine)) {
    engine.LastObject = object;
    engine.LastAddress = address;
    engine.LastWasLanguageException = false;
    return object;
  }
  OnRaise(engine, object, address, false, nullptr, 0);
  return object;
}

void InstallOsInterception(TExceptionLogEngine& engine) {
  engine.VectoredHandler = AddVectoredExceptionHandler(1, &FirstLook);
  previousTerminate = std::set_terminate(&NothingHandled);
}

void RemoveOsInterception(TExceptionLogEngine& engine) {
  if (engine.VectoredHandler) RemoveVectoredExceptionHandler(engine.VectoredHandler);
  engine.VectoredHandler = nullptr;
  if (previousTerminate) std::set_terminate(previousTerminate);
  previousTerminate = nullptr;
}

void InstallLastChanceFilter(TExceptionLogEngine& engine) {
  engine.PreviousUnhandledFilter =
      reinterpret_cast<void*>(SetUnhandledExceptionFilter(&LastChance));
}

void RemoveLastChanceFilter(TExceptionLogEngine& engine) {
  SetUnhandledExceptionFilter(
      reinterpret_cast<LPTOP_LEVEL_EXCEPTION_FILTER>(engine.PreviousUnhandledFilter));
}

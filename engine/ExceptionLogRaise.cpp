#include "platform/memory/LiveMemory.h"
#include "engine/ExceptionLogRaise.h"

#include <windows.h>

#include <cxxabi.h>

#include <cstring>
#include <exception>

#include "engine/ECoreModules.h"
#include "engine/ExceptionLogCatch.h"
#include "engine/ExceptionLogCaught.h"
#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogProcess.h"
#include "engine/ExceptionLogThreadBlock.h"

namespace {

constexpr std::uint32_t kNonContinuable = 1;
constexpr std::uint32_t kLanguageParameters = 7;
constexpr TAddress kRaiseCallLength = 5;

// Keeps the thread's last error code across the engine's work.
class TLastErrorKeeper {
 public:
  TLastErrorKeeper() : error_(GetLastError()) {}
  ~TLastErrorKeeper() { SetLastError(error_); }
  TLastErrorKeeper(const TLastErrorKeeper&) = delete;
  TLastErrorKeeper& operator=(const TLastErrorKeeper&) = delete;

 private:
  DWORD error_;
};

}  // namespace

void RecordLanguageRaise(TExceptionLogEngine& engine, const TRaiseFrame& frame, bool handleNow) {
  TThreadBlock* block = CurrentThreadBlock();
  if (!block) return;
  const auto stackAtRaise = AddressOf(&frame.Thrown);
  block->RaiseStackPointer = stackAtRaise;
  block->SavedStackPointer = stackAtRaise;
  block->RaiseEcx = frame.Ecx;
  TRegisterContext& context = block->Context;
  context = {};
  context.ContextFlags = kContextControlAndInteger;
  context.Eax = static_cast<std::uint32_t>(AddressOf(frame.Thrown));
  context.Ebx = frame.Ebx;
  context.Esi = frame.Esi;
  context.Edi = frame.Edi;
  context.Ebp = frame.Ebp;
  context.Ecx = frame.Ecx;
  context.Edx = frame.ReturnAddress;
  context.Esp = static_cast<std::uint32_t>(stackAtRaise);
  context.Eip = frame.ReturnAddress - kRaiseCallLength;
  block->HasContext = true;
  TOsExceptionRecord& record = block->Record;
  record = {};
  record.ExceptionCode = kLanguageExceptionCode;
  record.ExceptionFlags = kNonContinuable;
  record.ExceptionAddress = frame.ReturnAddress;
  record.NumberParameters = kLanguageParameters;
  const std::uint32_t parameters[kLanguageParameters] = {
      frame.ReturnAddress,
      static_cast<std::uint32_t>(AddressOf(frame.Thrown)),
      frame.Ebx,
      frame.Esi,
      frame.Edi,
      frame.Ebp,
      static_cast<std::uint32_t>(stackAtRaise)};
  std::memcpy(record.ExceptionInformation, parameters, sizeof parameters);
  block->HasRecord = true;
  if (handleNow)
    OnRaise(engine, frame.Thrown, frame.ReturnAddress, true, frame.Type, frame.ReturnAddress);
}

void OnRaise(TExceptionLogEngine& engine, const void* object, TAddress address,
             bool languageException, const std::type_info* thrownType, TAddress raiseReturn) {
  const TLastErrorKeeper keepError;
  TThreadBlock* block = CurrentThreadBlock();
  const TRaiseProcessing guard(block);
  if (!guard.Entered()) return;
  engine.LastObject = object;
  engine.LastAddress = address;
  engine.LastWasLanguageException = languageException;
  if (!engine.EngineActive || !engine.HandlingAllowedHere()) return;
  // The class is read once: every test below asks it.
  const std::vector<std::string> ancestry =
      engine.ClassNames.Ancestry(object, languageException ? thrownType : nullptr);
  if (ancestry.empty() || InheritsFromName(ancestry, "EAbort")) return;
  TCatchOutcome outcome;
  if (languageException) {
    outcome = AnalyseCppRaise(thrownType, const_cast<void*>(object), raiseReturn);
  } else {
    outcome = AnalyseOsException();
  }
  if (InheritsFromName(ancestry, "EStackOverflow")) outcome.Caught = false;
  if (engine.MainTakesOver) return;  // the main module's engine decides
  if (outcome.Caught) {
    if (languageException && CaughtExceptionsReported()) {
      KeepRaiseStack(engine, *block, object, address);
    }
    return;
  }
  TProcessRequest request;
  request.Object = object;
  request.Address = address;
  request.LanguageException = languageException;
  request.RaiseKind = outcome.RaiseKind;
  request.Module = engine.Module;
  request.HandlerKind = hkPlain;
  ProcessException(engine, request);
}

extern "C" void vipc_record_language_raise(TRaiseFrame* frame) {
  if (TExceptionLogEngine* engine = InterceptionEngine()) {
    try {
      RecordLanguageRaise(*engine, *frame, true);
    } catch (...) {
      // The raise goes on whatever the engine met.
    }
  }
}

extern "C" void vipc_record_language_rethrow(TRaiseFrame* frame) {
  TExceptionLogEngine* engine = InterceptionEngine();
  if (!engine) return;
  try {
    // The object being rethrown is the thread's current exception.
    const std::exception_ptr current = std::current_exception();
    void* object = nullptr;
    std::memcpy(&object, &current, sizeof object);
    TRaiseFrame rethrow = *frame;
    rethrow.Thrown = object;
    rethrow.Type = abi::__cxa_current_exception_type();
    // An exception handled at its raise and thrown on is not handled again.
    RecordLanguageRaise(*engine, rethrow, object != engine->LastHandledObject);
  } catch (...) {
  }
}

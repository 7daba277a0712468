// The interception unit's state in this module: whether the engine is
// active, how it shares work with the main module, the options in effect,
// the exception being handled and what the handling sequence keeps between
// exceptions. One object per module that carries the engine, made by
// "ExceptionLog.Init" and destroyed by "ExceptionLog.Done".
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "debuginfo/EStackList.h"
#include "engine/ECoreOptionsEx.h"
#include "engine/ExceptionLogCaught.h"
#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogTypes.h"

class TFreezeWatchdog;
class IHandlingStages;

// The serialising lock of handling: recursive, so that event callbacks run
// by the raising thread (which holds it while it waits) can come back.
class THandlingLock {
 public:
  THandlingLock();
  ~THandlingLock();
  THandlingLock(const THandlingLock&) = delete;
  THandlingLock& operator=(const THandlingLock&) = delete;
  void lock();
  void unlock();

 private:
  alignas(8) unsigned char section_[24];  // the system's critical section
};

struct TExceptionLogEngine {
  TExceptionLogEngine();
  ~TExceptionLogEngine();

  // --- activation ---
  bool EngineActive = false;
  bool MainTakesOver = false;
  bool OwnInterception = true;
  TModuleHandle Module = nullptr;      // this module
  TModuleHandle MainModule = nullptr;  // the process's main module (an executable with engine data)
  std::string StartFolder;             // the current folder at activation, for restarts
  std::atomic<bool> InitialisationPhase{false};
  std::atomic<bool> FinalisationPhase{false};
  std::atomic<bool> HandlingAllowed{true};
  std::vector<std::uint32_t> ExcludedThreads;  // never handled in (under HandlingLock)
  std::mutex ExcludedThreadsLock;

  // --- handling ---
  THandlingLock HandlingLock;
  std::unique_ptr<IHandlingStages> OwnStages;  // the stages that are built
  IHandlingStages* Stages;  // the stages the sequence uses: OwnStages unless replaced
  TDovaroModuleOptionsEx EffectiveOptions;    // the options in effect (no owner)
  TDovaroExceptionRecord Record;              // the exception being handled
  TDovaroExceptionRecord* Current = nullptr;  // &Record while handling runs
  std::unique_ptr<TDovaroStackList> KeptStack;
  std::string ExceptionId;  // the bug identifier of the kept stack
  std::uint32_t HandledCount = 0;
  std::string LastExceptionMessage;
  std::string LastReportText;
  std::string UserEmail;           // the e-mail address the user last typed in a dialog
  std::vector<double> CrashTimes;  // local date-times of the recent reports
  std::atomic<bool> TerminateRequest{false};
  std::atomic<bool> EngineWindowUp{false};  // a dialog or progress window is shown

  TClassAncestryCache ClassNames;  // the classes of recent raises
  TRaiseStackCopy RaiseStack;      // the stack of a raise the program catches

  // The last exception seen by an interception point.
  const void* LastObject = nullptr;
  TAddress LastAddress = 0;
  bool LastWasLanguageException = false;
  TAddress LastHandledAddress = 0;
  const void* LastHandledObject = nullptr;  // a rethrow of it is not handled again

  // Objects the engine made for operating-system exceptions, kept until the
  // next one replaces them.
  std::unique_ptr<EExternal> ConvertedObject;
  std::unique_ptr<Exception> FrozenObject;

  // --- the callback slot: event callbacks run in the raising thread ---
  std::atomic<const std::function<void()>*> CallbackSlot{nullptr};

  // --- threads ---
  std::unique_ptr<TFreezeWatchdog> Freeze;
  void* PreviousUnhandledFilter = nullptr;
  void* VectoredHandler = nullptr;
  std::uint32_t MainThreadId = 0;

  bool IsExcludedThread(std::uint32_t threadId);
  void ExcludeThread(std::uint32_t threadId, bool excluded);
  // Handling is allowed in the calling thread: on, and the thread not excluded.
  bool HandlingAllowedHere();
};

// The engine of this module; null outside "ExceptionLog.Init" .. "Done".
TExceptionLogEngine* InterceptionEngine() noexcept;

// Runs `callback` in the thread that raised the exception being handled:
// directly when that is the calling thread or nothing is being handled,
// else through the callback slot that the waiting raising thread serves.
// Exceptions of the callback are swallowed.
void RunInRaisingThread(TExceptionLogEngine& engine, const std::function<void()>& callback);

// The warning of a failed stage: stored as the last warning and written to
// the debugger output as "[WARNING] - Code: ... - Address: ... - Message: ...".
void Warn(TExceptionLogEngine& engine, TZuderaDodErrorCode code, const std::string& section,
          const std::string& message, TAddress address);
// One line to the debugger output.
void DebugLine(const std::string& text);

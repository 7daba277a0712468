// StartDelivery and the background sender: a TSendThread delivers once the
// handling has released HandlingLock, and holds the lock for its whole run,
// so no other exception is handled meanwhile and nobody waits in the
// callback slot: its events run in the sender itself.
#include <windows.h>

#include <memory>

#include "delivery/EDelivery.h"
#include "engine/ECoreOptionFlags.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogStages.h"
#include "engine/ExceptionLogTerminate.h"
#include "engine/ExceptionLogThreadBlock.h"
#include "platform/runtime/Thread.h"

namespace {

// Whether this process may show windows: a visible window station and no
// console program.
bool WindowsAllowed(const THandlingFacts& facts) {
  if (facts.ConsoleProgram || facts.HandlerKind == hkWeb) return false;
  USEROBJECTFLAGS flags{};
  HWINSTA station = GetProcessWindowStation();
  if (station && GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) {
    return flags.dwFlags & WSF_VISIBLE;
  }
  return true;
}

// The error-burst check as the sequence runs it after a delivery, for the
// background sender.
void BurstCheck(TExceptionLogEngine& engine) {
  const TDovaroModuleOptions& o = engine.EffectiveOptions;
  const auto& times = engine.CrashTimes;
  if (o.CrashBurstAction() != 0 && o.CrashBurstCount() > 0 && times.size() == o.CrashBurstCount() &&
      times.back() - times.front() <= o.CrashBurstMinutes() / 1440.0) {
    RequestTermination(engine, o.CrashBurstAction());
  }
  engine.Stages->DeleteTemporaryFiles(engine);
}

}  // namespace

// Background delivery of one report; frees itself when done.
class TSendThread final : public TThread {
 public:
  TSendThread(TExceptionLogEngine& engine, TDeliveryJob job)
      : engine_(engine), job_(std::move(job)) {}

 protected:
  void Execute() override {
    if (TThreadBlock* block = CurrentThreadBlock()) block->EngineThread = true;
    try {
      std::lock_guard lock(engine_.HandlingLock);
      engine_.ExcludeThread(GetCurrentThreadId(), true);
      // The handling has ended: nobody serves the callback slot any more.
      engine_.Current = nullptr;
      DeliverReport(engine_, job_);
      BurstCheck(engine_);
      engine_.KeptStack.reset();
      engine_.ExcludeThread(GetCurrentThreadId(), false);
      ApplyTerminateRequest(engine_);
    } catch (...) {
      // The sender ends quietly; the report stays in the log.
    }
    // The object goes with the thread: nobody waits for it.
    delete this;
  }

 private:
  TExceptionLogEngine& engine_;
  TDeliveryJob job_;
};

void StartDelivery(TExceptionLogEngine& engine, const THandlingFacts& facts,
                   const TDeliveryPlace& place) {
  TDeliveryJob job;
  if (facts.Record) job.Record = *facts.Record;
  job.ClassName = facts.ClassName;
  job.Message = facts.Message;
  job.BugId = engine.ExceptionId;
  job.Time = facts.Time;
  job.WindowsAllowed = WindowsAllowed(facts);
  job.OnRaisingThread = job.Record.RaiseThread == GetCurrentThreadId();
  job.Place = place;
  const bool background =
      !job.OnRaisingThread && (engine.EffectiveOptions.SendFlags() & SendInBackground);
  if (!background) return DeliverReport(engine, job);
  job.Background = true;
  auto thread = std::make_unique<TSendThread>(engine, std::move(job));
  thread->Priority = THREAD_PRIORITY_HIGHEST;
  if (thread->Start(true)) {
    thread.release()->Resume();  // it frees itself
  }
}

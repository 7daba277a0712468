// The delivery of a handled exception's report: the package, the mail step,
// the web step, the outcome and what a failure leaves behind (the report on
// the clipboard, the package kept beside the log), and the removal of the
// delivery's files. The handling sequence reaches it through the deliverer
// its module's entry lends the engine (TEngineContext::DeliverReport).
//
// Runs on the handling thread, on the raising thread (a library handling
// inside its initialisation), or on the background sender; never raises:
// a failed step is a delivery warning and a false outcome.
#pragma once

#include <string>

#include "engine/EngineContext.h"
#include "engine/ExceptionLogTypes.h"

struct TExceptionLogEngine;
struct THandlingFacts;

// What one delivery works on, copied out of the handling sequence so that a
// background sender still has it when the sequence has ended.
struct TDeliveryJob {
  TDovaroExceptionRecord Record;  // the copy every event gets
  std::string ClassName;
  std::string Message;
  std::string BugId;
  double Time = 0;               // the exception's local date-time (shown names' time stamp)
  bool WindowsAllowed = false;   // the process may show windows
  bool OnRaisingThread = false;  // handled in the thread that raised it
  bool Background = false;       // sent by the background sender
  TDeliveryPlace Place;
};

// StartDelivery, the deliverer lent to the engine: with SendInBackground,
// when the exception is not handled in the thread that raised it, a
// TSendThread sends (and runs the burst check, drops the kept call stack,
// carries out a terminate request) once the handling has released
// HandlingLock; otherwise the report is delivered at once.
void StartDelivery(TExceptionLogEngine& engine, const THandlingFacts& facts,
                   const TDeliveryPlace& place);

// The delivery run on the calling thread.
void DeliverReport(TExceptionLogEngine& engine, const TDeliveryJob& job);

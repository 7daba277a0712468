// The freeze watchdog: a thread of the engine that asks the process's main
// window every 50 ms whether it still answers, and reports the main thread
// (suspended meanwhile, its stack from its registers) as "The application
// seems to be frozen." once it has been silent for FreezeTimeoutSecs.
#pragma once

#include <memory>

#include "platform/runtime/Thread.h"

struct TExceptionLogEngine;

class TFreezeThread final : public TThread {
 public:
  explicit TFreezeThread(TExceptionLogEngine& engine) : engine_(engine) {}

 protected:
  void Execute() override;

 private:
  void ReportFreeze();
  TExceptionLogEngine& engine_;
};

class TFreezeWatchdog {
 public:
  explicit TFreezeWatchdog(TExceptionLogEngine& engine);
  ~TFreezeWatchdog();
  TFreezeWatchdog(const TFreezeWatchdog&) = delete;
  TFreezeWatchdog& operator=(const TFreezeWatchdog&) = delete;

 private:
  TFreezeThread thread_;
};

// Starts the watchdog when it does not run (`run`), or stops it.
void ControlFreezeWatch(TExceptionLogEngine& engine, bool run);

// The frozen application's exception (customizable text 156).
class EFrozenApplication;

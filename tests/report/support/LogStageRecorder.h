// A stand-in for the handling sequence around a log save: records the events
// it receives and answers them as a test asks.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "report/ELogManagerEngine.h"

class TLogStageRecorder : public ILogStageEvents {
 public:
  // BeforeLog clears the flag: the handler asks to skip writing.
  bool SkipSaving = false;
  // How many failed attempts get a retry.
  int Retries = 0;
  // Runs when an attempt failed, before the retry is answered.
  std::function<void()> OnFailure;
  // "before", "failed: <warning text>", "after: saved" / "after: not saved".
  std::vector<std::string> Calls;

  void BeforeLog(bool& execute) override {
    Calls.push_back("before");
    if (SkipSaving) execute = false;
  }
  void LogFailed(const TLogFailure& failure, bool& retry) override {
    Calls.push_back("failed: " + failure.WarningText());
    if (OnFailure) OnFailure();
    if (Retries > 0) {
      --Retries;
      retry = true;
    }
  }
  void AfterLog(bool& execute) override {
    Calls.push_back(execute ? "after: saved" : "after: not saved");
  }
};

// The stages of the handling sequence that produce and carry the report:
// the bug identifier and the report text, the duplicate check, the
// screenshot, the dialog and the steps-to-reproduce request, the log, and
// the delivery. The sequence calls them at their places through this narrow
// interface; a stage that is not built yet does nothing and says so in one
// debugger-output line.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/ExceptionLogTypes.h"
#include "report/ELogManagerEngine.h"

struct TExceptionLogEngine;

// What the stages know of the exception being handled.
struct THandlingFacts {
  TDovaroExceptionRecord* Record = nullptr;
  const TExceptNotifyParams* Params = nullptr;
  std::string ClassName;
  std::string Message;        // the custom message of a filter when there is one
  std::string CustomMessage;  // the filter's message with its variables expanded, or empty
  double Time = 0;            // when handling began: local, days since 30 December 1899
  bool ConsoleProgram = false;
  bool LanguageException = false;
  int HandlerKind = hkPlain;
  bool Duplicate = false;
};

// The outcome of the dialog stage; the sequence sets the defaults first.
struct TDialogOutcome {
  bool SendChosen = false;
  bool ScreenshotChosen = false;
  bool ClipboardCopy = false;
  int NextKind = 0;  // a kind the dialog switched to, shown next (0: none)
};

class IHandlingStages {
 public:
  virtual ~IHandlingStages() = default;
  // The bug identifier of the kept call stack (four hexadecimal digits).
  virtual std::string BugIdentifier(TExceptionLogEngine& engine, const THandlingFacts& facts) = 0;
  // The report text; the record's ReportText.
  virtual std::string ReportText(TExceptionLogEngine& engine, const THandlingFacts& facts) = 0;
  // Whether the report is a duplicate of a stored one (counting it there
  // when `count`).
  virtual bool CheckDuplicate(TExceptionLogEngine& engine, const THandlingFacts& facts,
                              bool count) = 0;
  virtual void TakeScreenshot(TExceptionLogEngine& engine, const THandlingFacts& facts) = 0;
  virtual void SaveScreenshot(TExceptionLogEngine& engine, const THandlingFacts& facts) = 0;
  virtual void ReleaseScreenshot(TExceptionLogEngine& engine) = 0;
  // Notes the work area the dialogs of this exception are centred in.
  virtual void CaptureWorkArea(TExceptionLogEngine& /*engine*/) {}
  // The dialog of `kind`; false when it could not be shown (the "GUI" warning).
  virtual bool ShowDialog(TExceptionLogEngine& engine, const THandlingFacts& facts, int kind,
                          bool beep, TDialogOutcome& outcome) = 0;
  virtual void AskReproduceSteps(TExceptionLogEngine& engine, const THandlingFacts& facts) = 0;
  // The custom data lines ("name=value") as a section of the report, when
  // its field is shown.
  virtual void AddCustomInformation(TExceptionLogEngine& engine, const THandlingFacts& facts,
                                    const std::vector<std::string>& lines) = 0;
  // The user's steps to reproduce as a section of the report.
  virtual void AddReproduceRequest(TExceptionLogEngine& engine, const THandlingFacts& facts,
                                   const std::string& note) = 0;
  // The web channel's answer with the report (false: not answered).
  virtual bool AnswerWeb(TExceptionLogEngine& engine, const THandlingFacts& facts) = 0;
  virtual void CheckLogVersion(TExceptionLogEngine& engine, const THandlingFacts& facts) = 0;
  // Saves the report into the log between the events' BeforeLog and
  // AfterLog; a failed attempt goes to LogFailed, whose retry repeats it.
  virtual void SaveReportToLog(TExceptionLogEngine& engine, const THandlingFacts& facts,
                               ILogStageEvents& events) = 0;
  // Delivers the report (mail and web); runs its own events and warnings.
  virtual void Deliver(TExceptionLogEngine& engine, const THandlingFacts& facts) = 0;
  // Temporary report files of the exception are deleted.
  virtual void DeleteTemporaryFiles(TExceptionLogEngine& engine) = 0;
};

// The stages of today's build: every one says it is not built yet, except
// that the log, dialog and delivery stages then succeed without doing
// anything, so the sequence goes on.
IHandlingStages& PendingStages();

// The stages that are built (the report, the log: duplicates, version
// check, save); the others are the pending ones. One per engine.
std::unique_ptr<IHandlingStages> MakeEngineStages();

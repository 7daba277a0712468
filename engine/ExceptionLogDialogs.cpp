#include "engine/ExceptionLogDialogs.h"

#include <exception>

#include "engine/ECoreOptionFlags.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogEvents.h"
#include "engine/ExceptionLogTerminate.h"
#include "engine/ExceptionLogReportStage.h"

namespace {

class TEngineDialogEvents final : public IDialogEvents {
 public:
  TEngineDialogEvents(TExceptionLogEngine& engine, const THandlingFacts& facts,
                      TReportStage& report)
      : engine_(engine), facts_(facts), record_(*facts.Record), report_(report) {}

  bool CustomButtonClick() override {
    bool close = false;
    FireCustomButtonClick(engine_, record_, close);
    return close;
  }
  bool ConfirmTermination() override {
    bool terminate = true;
    FireActionNotify(engine_, record_, ActTerminateButton, terminate);
    return terminate;
  }
  void RequestTermination(std::uint8_t action) override { ::RequestTermination(engine_, action); }
  void UserEmailTyped(const std::string& email) override {
    engine_.UserEmail = email;
    report_.SetUserEmail(facts_, email);
  }
  void Warning(const std::string& text) override {
    Warn(engine_, eeShowError, "GUI", text, engine_.LastHandledAddress);
  }

 private:
  TExceptionLogEngine& engine_;
  const THandlingFacts& facts_;
  TDovaroExceptionRecord& record_;
  TReportStage& report_;
};

TDialogException DialogException(TExceptionLogEngine& engine, const THandlingFacts& facts) {
  TDialogException exception;
  exception.Options = &engine.EffectiveOptions;
  exception.Message = facts.Message;
  exception.HandledCount = engine.HandledCount;
  exception.Duplicate = facts.Duplicate;
  exception.TerminateRequested = engine.TerminateRequest.load();
  return exception;
}

}  // namespace

bool ShowEngineDialog(TExceptionDialogs& dialogs, TReportStage& report, TExceptionLogEngine& engine,
                      const THandlingFacts& facts, int kind, bool beep, TDialogOutcome& outcome) {
  TEngineDialogEvents events(engine, facts, report);
  TDialogChoices choices;
  choices.SendChosen = outcome.SendChosen;
  choices.ScreenshotChosen = outcome.ScreenshotChosen;
  choices.ClipboardCopy = outcome.ClipboardCopy;
  try {
    dialogs.ShowExceptionDialog(kind, beep, !beep, DialogException(engine, facts), events, choices);
  } catch (const std::exception& failure) {
    Warn(engine, eeShowError, "GUI", failure.what(), engine.LastHandledAddress);
    return false;
  }
  outcome.SendChosen = choices.SendChosen;
  outcome.ScreenshotChosen = choices.ScreenshotChosen;
  outcome.ClipboardCopy = choices.ClipboardCopy;
  outcome.NextKind = kind;
  return !choices.Failed;
}

void AskEngineReproduceSteps(TExceptionDialogs& dialogs, TExceptionLogEngine& engine,
                             const THandlingFacts& facts) {
  try {
    dialogs.AskReproduceSteps(DialogException(engine, facts));
  } catch (const std::exception& failure) {
    Warn(engine, eeShowError, "GUI", failure.what(), engine.LastHandledAddress);
  }
}

// The stages of the sequence that are built: the report (the bug identifier,
// the text and its inserted sections), the log file (the duplicate check,
// the version check, the save), the screenshot with the exception's
// temporary folder, the dialogs, and the delivery the module's entry lends
// through the context. The others are still the pending ones.
#include <windows.h>

#include <cstdint>
#include <memory>

#include "dialogs/EDialogs.h"
#include "engine/ECoreOptionFlags.h"
#include "engine/EngineContext.h"
#include "engine/ExceptionLogDialogs.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogReportStage.h"
#include "engine/ExceptionLogStages.h"
#include "report/EAttachmentFiles.h"
#include "report/EAttachmentNames.h"
#include "report/ELogManagerEngine.h"
#include "report/ELogManagerItems.h"
#include "report/EScreenshot.h"

namespace {

class TEngineStages final : public IHandlingStages {
 public:
  std::string BugIdentifier(TExceptionLogEngine& e, const THandlingFacts& f) override {
    return report_.BugIdentifier(e, f);
  }
  std::string ReportText(TExceptionLogEngine& e, const THandlingFacts& f) override {
    return report_.Build(e, f);
  }
  bool CheckDuplicate(TExceptionLogEngine& e, const THandlingFacts&, bool count) override {
    if (const auto failure = log_.CheckDuplicate(e.EffectiveOptions, e.ExceptionId, count)) {
      Warn(e, eeLogError, "Log", failure->Message, e.LastHandledAddress);
    }
    return log_.Duplicate();
  }
  // Step 21: the screen as the application showed it, before any dialog.
  void TakeScreenshot(TExceptionLogEngine& e, const THandlingFacts& f) override {
    TScreenshotRequest request;
    request.ActiveWindowOnly = e.EffectiveOptions.SendFlags() & ScreenshotActiveWindowOnly;
    request.FocusWindow = f.Params ? f.Params->FocusWindow : nullptr;
    screenshot_.Capture(request);
  }
  // Step 23, when the report is going to be sent: "Screenshot.png" in the
  // exception's own folder. A failure leaves the file missing.
  void SaveScreenshot(TExceptionLogEngine& e, const THandlingFacts&) override {
    if (!(e.EffectiveOptions.SendFlags() & SendScreenshotImage)) return;
    const std::string& folder = ExceptionFolder(e);
    if (!folder.empty()) screenshot_.Save(folder + std::string(kScreenshotFileName));
  }
  void ReleaseScreenshot(TExceptionLogEngine&) override { screenshot_.Release(); }
  void CaptureWorkArea(TExceptionLogEngine&) override { dialogs_.CaptureWorkArea(); }
  bool ShowDialog(TExceptionLogEngine& e, const THandlingFacts& f, int kind, bool beep,
                  TDialogOutcome& outcome) override {
    return ShowEngineDialog(dialogs_, report_, e, f, kind, beep, outcome);
  }
  void AskReproduceSteps(TExceptionLogEngine& e, const THandlingFacts& f) override {
    AskEngineReproduceSteps(dialogs_, e, f);
  }
  void AddCustomInformation(TExceptionLogEngine& e, const THandlingFacts& f,
                            const std::vector<std::string>& lines) override {
    report_.AddCustomInformation(e, f, lines);
  }
  void AddReproduceRequest(TExceptionLogEngine& e, const THandlingFacts& f,
                           const std::string& note) override {
    report_.AddReproduceRequest(e, f, note);
  }
  bool AnswerWeb(TExceptionLogEngine& e, const THandlingFacts& f) override {
    return Pending().AnswerWeb(e, f);
  }
  void CheckLogVersion(TExceptionLogEngine& e, const THandlingFacts& f) override {
    const std::string version = ReportItemValue(f.Record ? f.Record->ReportText : "", "1.3");
    if (const auto failure = log_.CheckLogVersion(e.EffectiveOptions, version)) {
      Warn(e, eeLogError, "Log", failure->Message, e.LastHandledAddress);
    }
  }
  void SaveReportToLog(TExceptionLogEngine& e, const THandlingFacts& f,
                       ILogStageEvents& events) override {
    wholeLog_ =
        log_.SaveReportToLog(e.EffectiveOptions, f.Record ? f.Record->ReportText : "", events)
            .WholeLog.value_or(std::string());
  }
  // Lent by the delivery layer through the context, with the exception's
  // folder and the work area its windows are placed in.
  void Deliver(TExceptionLogEngine& e, const THandlingFacts& f) override {
    const TEngineContext* context = EngineContext();
    if (!context || !context->DeliverReport) return Pending().Deliver(e, f);
    TDeliveryPlace place;
    place.Folder = ExceptionFolder(e);
    const TDialogRect& area = dialogs_.WorkArea();
    place.Left = area.Left;
    place.Top = area.Top;
    place.Right = area.Right;
    place.Bottom = area.Bottom;
    place.WholeLog = wholeLog_;
    context->DeliverReport(e, f, place);
  }
  void DeleteTemporaryFiles(TExceptionLogEngine& e) override {
    log_.CloseLogFile();
    wholeLog_.clear();
    Pending().DeleteTemporaryFiles(e);
    folder_.Remove();
  }

 private:
  static IHandlingStages& Pending() { return PendingStages(); }
  // The folder of the exception being handled, made at its first use.
  const std::string& ExceptionFolder(const TExceptionLogEngine& e) {
    if (!folder_.Path().empty()) return folder_.Path();
    return folder_.Prepare(GetCurrentProcessId(), reinterpret_cast<std::uintptr_t>(e.Module));
  }
  TReportStage report_;
  TLogManager log_;
  TScreenshot screenshot_;
  TAttachmentFolder folder_;
  TExceptionDialogs dialogs_;
  std::string wholeLog_;  // the text to send with SendWholeLog, from the last save
};

}  // namespace

std::unique_ptr<IHandlingStages> MakeEngineStages() {
  return std::make_unique<TEngineStages>();
}

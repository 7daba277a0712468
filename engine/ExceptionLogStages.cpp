#include "engine/ExceptionLogStages.h"

#include "engine/ExceptionLogEngine.h"

namespace {

void NotBuilt(const char* stage) {
  DebugLine(std::string("[ZuderaDod] the ") + stage + " stage is not built yet: nothing done");
}

class TPendingStages final : public IHandlingStages {
 public:
  std::string BugIdentifier(TExceptionLogEngine&, const THandlingFacts&) override {
    NotBuilt("bug identifier");
    return {};
  }
  std::string ReportText(TExceptionLogEngine&, const THandlingFacts&) override {
    NotBuilt("report text");
    return {};
  }
  bool CheckDuplicate(TExceptionLogEngine&, const THandlingFacts&, bool) override {
    NotBuilt("duplicate check");
    return false;
  }
  void TakeScreenshot(TExceptionLogEngine&, const THandlingFacts&) override {
    NotBuilt("screenshot");
  }
  void SaveScreenshot(TExceptionLogEngine&, const THandlingFacts&) override {
    NotBuilt("screenshot file");
  }
  void ReleaseScreenshot(TExceptionLogEngine&) override {}
  bool ShowDialog(TExceptionLogEngine&, const THandlingFacts&, int, bool,
                  TDialogOutcome&) override {
    NotBuilt("dialog");
    return true;
  }
  void AskReproduceSteps(TExceptionLogEngine&, const THandlingFacts&) override {
    NotBuilt("reproduce request");
  }
  void AddCustomInformation(TExceptionLogEngine&, const THandlingFacts&,
                            const std::vector<std::string>&) override {
    NotBuilt("custom information");
  }
  void AddReproduceRequest(TExceptionLogEngine&, const THandlingFacts&,
                           const std::string&) override {
    NotBuilt("reproduce section");
  }
  bool AnswerWeb(TExceptionLogEngine&, const THandlingFacts&) override {
    NotBuilt("web answer");
    return false;
  }
  void CheckLogVersion(TExceptionLogEngine&, const THandlingFacts&) override {
    NotBuilt("log version check");
  }
  void SaveReportToLog(TExceptionLogEngine&, const THandlingFacts&,
                       ILogStageEvents& events) override {
    NotBuilt("log");
    bool execute = true;
    events.BeforeLog(execute);
    events.AfterLog(execute);
  }
  void Deliver(TExceptionLogEngine&, const THandlingFacts&) override { NotBuilt("delivery"); }
  void DeleteTemporaryFiles(TExceptionLogEngine&) override {}
};

}  // namespace

IHandlingStages& PendingStages() {
  static TPendingStages stages;
  return stages;
}

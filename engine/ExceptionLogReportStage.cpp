#include "engine/ExceptionLogReportStage.h"

#include "engine/ECoreServices.h"
#include "engine/ExceptionLogClasses.h"
#include "engine/ExceptionLogEngine.h"
#include "engine/ExceptionLogStages.h"
#include "platform/memory/LiveMemory.h"
#include "report/EReportLive.h"
#include "report/EReportValues.h"

namespace {

// The facts of the exception as the report reads them, from the record and
// the parameters the sequence filled in.
TReportException ReportExceptionOf(const TExceptionLogEngine& engine, const THandlingFacts& facts) {
  TReportException e;
  const TDovaroExceptionRecord& record = *facts.Record;
  const std::vector<std::string> ancestry = ClassAncestry(record.RaisedObject);
  e.ValidObject = !ancestry.empty();
  e.ClassName = facts.ClassName;
  if (const auto message = ExceptionMessage(record.RaisedObject)) {
    e.IsException = true;
    e.Message = *message;
  }
  e.IsAccessViolation = InheritsFromName(ancestry, "EAccessViolation");
  e.CustomMessage = facts.CustomMessage;
  e.Address = record.RaiseAddress;
  e.OsRecordAddress = AddressOf(record.OsRecord);
  e.ContextAddress = AddressOf(record.RegisterContext);
  e.ThreadId = record.RaiseThread;
  if (facts.Params) {
    e.StackPointer = facts.Params->WalkStart;
    e.FocusClass = facts.Params->FocusClass;
    e.FocusText = facts.Params->FocusText;
  }
  e.StartTime = ProcessStartTime();
  e.ExceptionTime = facts.Time;
  e.UtcOffsetHours = UtcOffsetHours();
  e.ConsoleProgram = facts.ConsoleProgram;
  e.WebProgram = facts.HandlerKind == hkWeb;
  e.UserEmail = engine.UserEmail;
  if (!engine.ExceptionId.empty()) e.ExceptionId = engine.ExceptionId;
  return e;
}

const TDovaroStackList& StackOf(const THandlingFacts& facts) {
  static const TDovaroStackList kNoStack;
  return facts.Record->StackList ? *facts.Record->StackList : kNoStack;
}

}  // namespace

std::string TReportStage::BugIdentifier(TExceptionLogEngine& engine, const THandlingFacts& facts) {
  TReportException exception = ReportExceptionOf(engine, facts);
  TLiveReportSources live;
  return BugIdentifierOf(exception, StackOf(facts), live.AddressModules(), live.System());
}

std::string TReportStage::Build(TExceptionLogEngine& engine, const THandlingFacts& facts) {
  const TReportException exception = ReportExceptionOf(engine, facts);
  TLiveReportSources live;
  report_ = BuildBugReport(exception, live.Sources(engine.EffectiveOptions, StackOf(facts)));
  return report_.Text;
}

void TReportStage::AddCustomInformation(TExceptionLogEngine& engine, const THandlingFacts& facts,
                                        const std::vector<std::string>& lines) {
  if (::AddCustomInformation(report_, engine.EffectiveOptions, lines)) Publish(facts);
}

void TReportStage::AddReproduceRequest(TExceptionLogEngine& engine, const THandlingFacts& facts,
                                       std::string_view note) {
  if (::AddReproduceRequest(report_, engine.EffectiveOptions, note)) Publish(facts);
}

void TReportStage::SetUserEmail(const THandlingFacts& facts, std::string_view email) {
  SetReportUserEmail(report_, email);
  Publish(facts);
}

void TReportStage::Publish(const THandlingFacts& facts) {
  if (facts.Record) facts.Record->ReportText = report_.Text;
}

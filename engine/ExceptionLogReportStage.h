// The report stage of the handling sequence: the bug identifier of the kept
// call stack, the report text built from the live process, and the sections
// later steps insert into it (the custom data, the steps to reproduce). The
// report stays the engine's current one until the next exception is handled.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/EReportText.h"

struct TExceptionLogEngine;
struct THandlingFacts;

class TReportStage {
 public:
  // The identifier the sequence keeps as ExceptionId: the report's 2.7.
  std::string BugIdentifier(TExceptionLogEngine& engine, const THandlingFacts& facts);
  // Builds the report; its full text is the record's ReportText.
  std::string Build(TExceptionLogEngine& engine, const THandlingFacts& facts);
  // The custom data lines ("name=value") as their section; the record's
  // ReportText follows.
  void AddCustomInformation(TExceptionLogEngine& engine, const THandlingFacts& facts,
                            const std::vector<std::string>& lines);
  void AddReproduceRequest(TExceptionLogEngine& engine, const THandlingFacts& facts,
                           std::string_view note);
  // The address the user typed in a dialog as item 3.3 of the three texts.
  void SetUserEmail(const THandlingFacts& facts, std::string_view email);
  const TBugReport& Current() const { return report_; }

 private:
  void Publish(const THandlingFacts& facts);
  TBugReport report_;
};

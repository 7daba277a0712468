// Two programs saving reports into one log at the same time: the log's lock
// and the fresh read under it keep every report of both.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/ECoreOptions.h"
#include "report/ELogManagerEngine.h"
#include "report/ELogManagerFormat.h"
#include "report/ELogManagerItems.h"
#include "tests/report/support/LogReports.h"
#include "tests/report/support/LogStageRecorder.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/NamedEvent.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr int kReportsEach = 50;

}  // namespace

TEST(LogFileConcurrency, TwoProcessesAppendingFiftyEach_LoseNoReport) {
  TempFolder folder;
  const std::string log = folder.Path() + "Shared.elf";
  TNamedEvent ready("log-test", "ready"), start("log-test", "start");
  RunningChild writer("log_writer.exe " + QuoteArgument(log) + " " + ready.Name() + " " +
                      start.Name() + " " + std::to_string(kReportsEach) + " 1001");
  // The second writer is in place before either begins, so the saves overlap.
  ASSERT_EQ(WaitForSingleObject(ready.Handle(), 120000), WAIT_OBJECT_0) << writer.Finish(0).output;

  TDovaroModuleOptions options;
  options.SetLogFolder(log);
  options.SetMaxLoggedErrors(1000);
  TLogManager manager;
  SetEvent(start.Handle());
  for (int n = 1; n <= kReportsEach; ++n) {
    TLogStageRecorder events;
    const TLogSaveResult result = manager.SaveReportToLog(options, NumberedReport(n), events);
    ASSERT_TRUE(result.Saved) << n << ": " << result.LastFailure->WarningText();
  }
  const ChildOutcome outcome = writer.Finish(300000);
  ASSERT_EQ(outcome.exitCode, 0u) << outcome.output;

  const std::string bytes = ReadFileBytes(log);
  const TStoredReports reports = ParseLogFileText(bytes);
  std::set<std::string> ids;
  for (const std::string& report : reports) ids.insert(ReportItemValue(report, "2.7"));
  EXPECT_EQ(reports.size(), 2u * kReportsEach);
  std::set<std::string> expected;
  for (int n = 1; n <= kReportsEach; ++n) {
    expected.insert(ReportItemValue(NumberedReport(n), "2.7"));
    expected.insert(ReportItemValue(NumberedReport(1000 + n), "2.7"));
  }
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(LogFileText(reports), bytes) << "the file reads back whole";
}

// The second writer of the concurrent log test: appends numbered reports to a
// log through the engine's save, as another program carrying the engine
// would, starting when the test says so.
//
//   log_writer <log file> <ready event> <start event> <count> <first number>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/ECoreOptions.h"
#include "report/ELogManagerEngine.h"
#include "tests/report/support/LogReports.h"
#include "tests/report/support/LogStageRecorder.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: log_writer <log> <ready event> <start event> <count> <first>\n");
    return 2;
  }
  const HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
  const HANDLE start = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
  if (!ready || !start) {
    std::fprintf(stderr, "the test's events are missing\n");
    return 3;
  }
  TDovaroModuleOptions options;
  options.SetLogFolder(argv[1]);
  options.SetMaxLoggedErrors(1000);
  const int count = std::atoi(argv[4]);
  const int first = std::atoi(argv[5]);
  SetEvent(ready);
  WaitForSingleObject(start, INFINITE);
  TLogManager manager;
  int failures = 0;
  for (int n = first; n < first + count; ++n) {
    TLogStageRecorder events;
    const TLogSaveResult result = manager.SaveReportToLog(options, NumberedReport(n), events);
    if (!result.Saved) {
      ++failures;
      std::fprintf(stderr, "report %d: %s\n", n,
                   result.LastFailure ? result.LastFailure->WarningText().c_str() : "not saved");
    }
  }
  return failures == 0 ? 0 : 1;
}

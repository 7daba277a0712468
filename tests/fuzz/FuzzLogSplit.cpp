// A log file written by another process (or damaged): split into stored
// reports, and the reports written back and read again unchanged.
#include "report/ELogManagerFormat.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzInput input(data, size);
  SplitLogText(input.Text());
  const TStoredReports reports = ParseLogFileText(input.Text());
  const std::string file = LogFileText(reports);
  FUZZ_CHECK(ParseLogFileText(file) == reports);
  TStoredReports limited = reports;
  AppendStoredReport(limited, "report", 3);
  FUZZ_CHECK(limited.size() <= 3);
  return 0;
}

// One whole submission of a report to a tracker: the Mantis sender against
// the stand-in tracker on loopback (login, project, search, then filing a
// new bug with its package, or raising the counter of the bug it finds).
// The tracker comes from bench/tracker_bench_peers.py (it starts it and runs
// this program), or from VIPC_MANTIS_PORT set by hand.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchMachine.h"
#include "delivery/EWebToolsTrackers.h"
#include "delivery/EWebToolsUrl.h"
#include "tests/support/TempFolder.h"
#include "tests/trackers/TrackerStandIn.h"

namespace {

using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point start) {
  return std::chrono::duration<double>(TClock::now() - start).count();
}

// The first occurrence of a fault in version 1.0.0.0 with `package` attached.
TTrackerReport Report(unsigned port, const std::string& package) {
  TTrackerReport report;
  report.Version = "1.0.0.0";
  report.ClassName = "EAccessViolation";
  report.Message =
      "Access violation at address 0040100A in module 'Brisole.exe'. Read of address 00000000.";
  report.BugId = "1A2B";
  report.BaseAddress = BuildUrl("http://127.0.0.1/tracker", "", "", port);
  report.User = "reporter";
  report.Password = "secret";
  report.Project = "Brisole";
  report.Category = "Installer";
  report.AttachedFile = package;
  report.CustomFields = TrackerCustomFields({}, "", "Windows XP", "2600", "Pressed Install.");
  return report;
}

// One submission with a fresh sender, as each delivery run makes it.
int Submit(const TTrackerReport& report, THTTPResponse& response) {
  THTTPMantisSendReport sender;
  return sender.SendReport(report, response);
}

bool PrintSubmission(const char* name, int result, const THTTPResponse& response, double seconds) {
  if (result != trFiled) {
    std::printf("%-44s failed: result %d, status %d %s%s\n", name, result, response.StatusCode,
                response.StatusText.c_str(), response.ErrorText.c_str());
    return false;
  }
  std::printf("%-44s %8.1f ms\n", name, seconds * 1000);
  return true;
}

}  // namespace

int main() {
  PrintExecutionLine();
  const char* portText = std::getenv("VIPC_MANTIS_PORT");
  const unsigned port = portText ? static_cast<unsigned>(std::strtoul(portText, nullptr, 10)) : 0;
  if (!port) {
    std::printf("no tracker: run bench/tracker_bench_peers.py <wine-run.sh> <tracker_bench.exe>\n");
    return 1;
  }
  // An empty tracker, so the first submission files a new bug. The reset is
  // also the process's first request: Wine's first load of the Internet
  // library falls on it, not on the submission.
  const TTrackerStandIn tracker("VIPC_MANTIS_PORT", "tracker");
  tracker.Reset();
  // A report package of a usual size.
  TempFolder folder;
  std::string bytes(200 * 1000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131) >> 3);
  WriteFileBytes(folder.Path() + "report.zip", bytes);
  const TTrackerReport report = Report(port, folder.Path() + "report.zip");

  THTTPResponse response;
  auto start = TClock::now();
  int result = Submit(report, response);
  if (!PrintSubmission("first submission (new bug, 200 KB package)", result, response,
                       SecondsSince(start)))
    return 1;
  start = TClock::now();
  result = Submit(report, response);
  if (!PrintSubmission("repeated submission (counter to 2)", result, response, SecondsSince(start)))
    return 1;

  const int count = 20;
  start = TClock::now();
  for (int i = 0; i < count; ++i) {
    result = Submit(report, response);
    if (result != trFiled) {
      PrintSubmission("repeated submissions", result, response, 0);
      return 1;
    }
  }
  const double seconds = SecondsSince(start);
  // What the tracker holds tells the submissions raised one bug's counter.
  const TStoredState state = tracker.State();
  std::printf("%-44s %8.2f per second (%d in %.2f s; the tracker holds %zu bug(s), \"%s\")\n",
              "repeated submissions", count / seconds, count, seconds, state.Bugs.size(),
              state.Bugs.empty() ? "" : state.Bugs[0].Value("summary").c_str());
  return 0;
}

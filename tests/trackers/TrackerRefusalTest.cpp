// Every page a tracker may refuse: answered with an error page, cut off
// inside the tag the sender looks for, or not answered at all. The sender
// ends with the step's result code and still closes its connection.
#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"
#include "tests/trackers/TrackerCases.h"

namespace {

struct TRefusal {
  const char* Tracker;
  const char* Mode;  // refuse, cut or drop (a control field), or "" for the report's own fault
  const char* Step;
  bool BugExists;  // a bug is filed first, so the sender takes the modify path
  int Expected;
  const char* Project = "Brisole";
  const char* Password = "secret";
};

const TRefusal kRefusals[] = {
    {"Mantis", "", "wrong password", false, 3, "Brisole", "wrong"},
    {"Mantis", "refuse", "login", false, 3},
    {"Mantis", "cut", "select_page", false, 3},
    {"Mantis", "refuse", "project", false, 4},
    {"Mantis", "cut", "my_view", false, 4},
    {"Mantis", "", "unknown project", false, 4, "Nowhere"},
    {"Mantis", "refuse", "search", false, 5},
    {"Mantis", "cut", "list", false, 5},
    {"Mantis", "refuse", "report_page", false, 6},
    {"Mantis", "cut", "report_page", false, 6},
    {"Mantis", "refuse", "report", false, 6},
    {"Mantis", "cut", "report", false, 6},
    {"Mantis", "drop", "report", false, 6},
    {"Mantis", "refuse", "update_page", true, 7},
    {"Mantis", "cut", "update_page", true, 7},
    {"Mantis", "refuse", "update", true, 7},
    {"Mantis", "cut", "view", true, 7},
    {"Bugzilla", "", "wrong password", false, 3, "Brisole", "wrong"},
    {"Bugzilla", "refuse", "login", false, 3},
    {"Bugzilla", "cut", "login", false, 3},
    {"Bugzilla", "refuse", "search", false, 5},
    {"Bugzilla", "cut", "search", false, 5},
    {"Bugzilla", "refuse", "enter", false, 4},
    {"Bugzilla", "cut", "enter", false, 4},
    {"Bugzilla", "", "unknown product", false, 4, "Nowhere"},
    {"Bugzilla", "refuse", "post", false, 6},
    {"Bugzilla", "cut", "post", false, 6},
    {"Bugzilla", "refuse", "attach", false, 6},
    {"Bugzilla", "cut", "attach", false, 6},
    {"Bugzilla", "refuse", "show", true, 7},
    {"Bugzilla", "cut", "show", true, 7},
    {"Bugzilla", "refuse", "process", true, 7},
    {"Bugzilla", "cut", "process", true, 7},
    {"FogBugz", "", "wrong password", false, 3, "Brisole", "wrong"},
    {"FogBugz", "refuse", "login", false, 3},
    {"FogBugz", "cut", "login", false, 3},
    {"FogBugz", "refuse", "search", false, 5},
    {"FogBugz", "cut", "search", false, 5},
    {"FogBugz", "refuse", "new", false, 6},
    {"FogBugz", "cut", "new", false, 6},
    {"FogBugz", "refuse", "submit", false, 6},
    {"FogBugz", "cut", "submit", false, 6},
    {"FogBugz", "drop", "submit", false, 6},
    {"FogBugz", "refuse", "edit", true, 7},
    {"FogBugz", "cut", "edit", true, 7},
    {"FogBugz", "refuse", "update", true, 7},
    {"FogBugz", "cut", "update", true, 7},
};

TEST(TrackerRefusal, EachRefusedPage_EndsWithItsCodeAndCloses) {
  TempFolder folder;
  const std::string package = folder.Path() + "report.zip";
  WriteFileBytes(package, "PK\x05\x06");
  for (const TRefusal& row : kRefusals) {
    SCOPED_TRACE(std::string(row.Tracker) + ": " + row.Mode + " " + row.Step);
    const TTrackerCase& tracker = TrackerCase(row.Tracker);
    TTrackerStandIn standIn = FreshStandIn(tracker);
    if (!standIn.Available()) GTEST_SKIP() << tracker.PortVariable << " is not set";
    TTrackerReport report = FirstOccurrence(standIn, package);
    if (row.BugExists) {
      ASSERT_EQ(SendWith(tracker, report).Result, 0);
    }
    if (*row.Mode) standIn.Control({{row.Mode, row.Step}});
    report.Project = row.Project;
    report.Password = row.Password;

    const TSendOutcome outcome = SendWith(tracker, report);
    EXPECT_EQ(outcome.Result, row.Expected) << outcome.Response.Body;
    ASSERT_GE(outcome.States.size(), 2u);
    EXPECT_EQ(std::vector<int>(outcome.States.end() - 2, outcome.States.end()),
              (std::vector<int>{8, 9}));
    if (std::string(row.Mode) != "drop") {
      EXPECT_EQ(outcome.Response.StatusCode, 200);
    }
    // A refused change leaves the bug as it was (a cut answer comes after the change).
    if (row.BugExists && std::string(row.Mode) == "refuse") {
      const TStoredState state = standIn.State();
      ASSERT_EQ(state.Bugs.size(), 1u);
      EXPECT_EQ(state.Bugs[0].Value("summary"), kFirstTitle);
    }
  }
}

TEST(TrackerRefusal, NoTrackerListening_LoginRefused) {
  std::vector<int> states;
  TTrackerReport report = FirstOccurrence(TTrackerStandIn("VIPC_NO_SUCH_VARIABLE", "x"), "");
  report.BaseAddress = "http://127.0.0.1/tracker:1";
  THTTPResponse response;
  EXPECT_EQ(THTTPMantisSendReport(RecordingFactory(&states)).SendReport(report, response), 3);
  EXPECT_NE(response.ErrorCode, 0u);
  ASSERT_GE(states.size(), 2u);
  EXPECT_EQ(states.back(), 9);
}

TEST(TrackerRefusal, ConnectionThatCannotOpen_Raises) {
  TTrackerReport report = FirstOccurrence(TTrackerStandIn("VIPC_NO_SUCH_VARIABLE", "x"), "");
  report.BaseAddress = "";  // no host
  THTTPResponse response;
  EXPECT_THROW(THTTPBugzillaSendReport().SendReport(report, response), EHTTPConnectionError);
}

}  // namespace

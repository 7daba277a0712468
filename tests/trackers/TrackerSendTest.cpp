// The senders against the stand-in trackers on loopback: a first
// occurrence, the next ones, closed bugs and counters at their limit, the
// assignee, a project name beyond ASCII, and the custom fields.
#include <windows.h>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"
#include "tests/trackers/TrackerCases.h"

namespace {

const char kPackage[] = "PK\x03\x04 package bytes \r\n\x00\xff end";

class TrackerSendTest : public testing::TestWithParam<TTrackerCase> {
 protected:
  void SetUp() override {
    if (!standIn_.Available())
      GTEST_SKIP() << GetParam().PortVariable << " is not set (run by the driver)";
    packagePath_ = folder_.Path() + "report.zip";
    WriteFileBytes(packagePath_, std::string(kPackage, sizeof kPackage - 1));
    report_ = FirstOccurrence(standIn_, packagePath_);
  }

  TSendOutcome Send() { return SendWith(GetParam(), report_); }

  TTrackerStandIn standIn_ = FreshStandIn(GetParam());
  TempFolder folder_;
  std::string packagePath_;
  TTrackerReport report_;
};

TEST_P(TrackerSendTest, FirstOccurrence_FilesTitledBugWithPackage) {
  const TSendOutcome outcome = Send();
  ASSERT_EQ(outcome.Result, 0) << outcome.Response.Body;

  const TStoredState state = standIn_.State();
  ASSERT_EQ(state.Bugs.size(), 1u);
  const TStoredBug& bug = state.Bugs[0];
  EXPECT_EQ(bug.Value("summary"), kFirstTitle);
  EXPECT_EQ(bug.Value("project"), "Brisole");
  const std::string description =
      GetParam().DescriptionHoldsReproduceText
          ? std::string(kMessage) + "\r\n\r\n---\r\n\r\n" + kReproduceText
          : std::string(kMessage);
  EXPECT_EQ(bug.FiledField(GetParam().DescriptionField), description);
  ASSERT_EQ(bug.Files.size(), 1u);
  EXPECT_EQ(bug.Files[0].Field, GetParam().FileField);
  EXPECT_EQ(bug.Files[0].Name, "report.zip");
  EXPECT_EQ(bug.Files[0].Content, std::string(kPackage, sizeof kPackage - 1));
}

TEST_P(TrackerSendTest, SecondOccurrence_RaisesCounterToTwo) {
  ASSERT_EQ(Send().Result, 0);
  const TSendOutcome second = Send();
  ASSERT_EQ(second.Result, 0) << second.Response.Body;

  const TStoredState state = standIn_.State();
  ASSERT_EQ(state.Bugs.size(), 1u) << "the second occurrence filed a bug of its own";
  EXPECT_EQ(state.Bugs[0].Value("summary"), kSecondTitle);
  EXPECT_EQ(state.Bugs[0].Updates.size(), 1u);
}

// A closed bug, and a counter at its limit: nothing is sent to change the
// bug; the first ends with 1, the second counts as delivered.
TEST_P(TrackerSendTest, ExistingBugLeftAlone_ClosedOrCounterAtLimit) {
  struct Row {
    const char* field;
    std::string value;
    int expected;
    std::string summary;
  };
  const std::string limit = "[v1.0.0.0 - 9999]: EAccessViolation (1A2B)";
  for (const Row& row :
       {Row{"status", GetParam().ClosedStatus, 1, kFirstTitle}, Row{"summary", limit, 0, limit}}) {
    SCOPED_TRACE(std::string(row.field) + " " + row.value);
    standIn_.Reset();
    ASSERT_EQ(Send().Result, 0);
    standIn_.Control({{"bug", "1"}, {row.field, row.value}});

    EXPECT_EQ(Send().Result, row.expected);
    const TStoredState state = standIn_.State();
    ASSERT_EQ(state.Bugs.size(), 1u);
    EXPECT_EQ(state.Bugs[0].Value("summary"), row.summary);
    EXPECT_TRUE(state.Bugs[0].Updates.empty());
    EXPECT_EQ(state.HitsOf(GetParam().UpdateStep), 0);
  }
}

TEST_P(TrackerSendTest, Assignee_NamedOrTheTrackersDefault) {
  struct Row {
    const char* assignee;
    std::string expected;
  };
  for (const Row& row : {Row{"", GetParam().DefaultAssignee}, Row{"developer", "developer"}}) {
    SCOPED_TRACE(std::string("assignee \"") + row.assignee + "\"");
    if (std::string(GetParam().Name) == "FogBugz" && *row.assignee)
      continue;  // persons by name below
    standIn_.Reset();
    report_.Assignee = row.assignee;
    ASSERT_EQ(Send().Result, 0);
    const TStoredState state = standIn_.State();
    ASSERT_EQ(state.Bugs.size(), 1u);
    EXPECT_EQ(state.Bugs[0].Value("assignee"), row.expected);
  }
  if (std::string(GetParam().Name) == "FogBugz") {
    standIn_.Reset();
    report_.Assignee = "REPORTER";  // the person's shown name, letter case ignored
    ASSERT_EQ(Send().Result, 0);
    EXPECT_EQ(standIn_.State().Bugs.at(0).Value("assignee"), "reporter");
  }
}

TEST_P(TrackerSendTest, ProjectBeyondAscii_Utf8ForMantisOnly) {
  if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 1252";
  report_.Project = "Caff\xe8 Brisole";
  const TSendOutcome outcome = Send();
  ASSERT_EQ(outcome.Result, 0) << outcome.Response.Body;

  const TStoredState state = standIn_.State();
  ASSERT_EQ(state.Bugs.size(), 1u);
  const bool utf8 = std::string(GetParam().Name) == "Mantis";
  EXPECT_EQ(state.Bugs[0].Value("project"), utf8 ? "Caff\xc3\xa8 Brisole" : "Caff\xe8 Brisole");
}

TEST_P(TrackerSendTest, CustomFields_SentButNotTheFixedLines) {
  report_.CustomFields = TrackerCustomFields({"Customer=Vesk Srl", "Seat=12"}, "T-77", "Windows XP",
                                             "2600", kReproduceText);
  ASSERT_EQ(Send().Result, 0);
  ASSERT_EQ(Send().Result, 0);

  const TStoredState state = standIn_.State();
  ASSERT_EQ(state.Bugs.size(), 1u);
  const TStoredBug& bug = state.Bugs[0];
  ASSERT_EQ(bug.Updates.size(), 1u);
  for (const TFieldList* fields : {&bug.Filed, &bug.Updates[0]}) {
    const auto has = [&](const std::string& name, const std::string& value) {
      return std::count(fields->begin(), fields->end(), std::make_pair(name, value));
    };
    EXPECT_EQ(has("Customer", "Vesk Srl"), 1);
    EXPECT_EQ(has("Seat", "12"), 1);
    for (const char* fixed : {"FogBugzTrialID", "EL_OSType", "EL_OSBuild", "EL_ReproduceText"})
      EXPECT_TRUE(std::none_of(fields->begin(), fields->end(), [&](const auto& field) {
        return field.first == fixed;
      })) << fixed;
  }
  if (std::string(GetParam().Name) == "Mantis") {
    EXPECT_EQ(bug.FiledField("os"), "Windows XP");
    EXPECT_EQ(bug.FiledField("os_build"), "2600");
    EXPECT_EQ(bug.FiledField("steps_to_reproduce"), kReproduceText);
  }
}

TEST_P(TrackerSendTest, States_OpenLoginWorkClose_ProgressOnlyForTheLastRequest) {
  for (int occurrence = 1; occurrence <= 2; ++occurrence) {
    SCOPED_TRACE(occurrence == 1 ? "new bug" : "next occurrence");
    const TSendOutcome outcome = Send();
    ASSERT_EQ(outcome.Result, 0);
    const std::vector<int>& states = outcome.States;
    ASSERT_GE(states.size(), 6u);
    EXPECT_EQ(std::vector<int>(states.begin(), states.begin() + 3), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(std::vector<int>(states.end() - 2, states.end()), (std::vector<int>{8, 9}));
    EXPECT_EQ(std::count(states.begin(), states.end(), 4), 1);
    EXPECT_EQ(std::count(states.begin(), states.end(), 5), occurrence == 1 ? 0 : 1);
    EXPECT_EQ(std::count(states.begin(), states.end(), 7), 1) << "progress asked more than once";
    EXPECT_EQ(std::count(states.begin(), states.end(), 8), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Trackers, TrackerSendTest, testing::ValuesIn(TrackerCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace

// Other forms of the same pages: a report page with one file input, a
// user with one project (no project menu), components named by script only.
TEST(TrackerPageVariants, FiledAsWell) {
  struct Row {
    const char* tracker;
    const char* option;
    std::function<void(const TStoredBug&)> check;
  };
  const Row rows[] = {
      {"Mantis", "single_file",
       [](const TStoredBug& bug) {
         ASSERT_EQ(bug.Files.size(), 1u);
         EXPECT_EQ(bug.Files[0].Field, "file");
       }},
      {"Mantis", "one_project",
       [](const TStoredBug& bug) { EXPECT_EQ(bug.Value("project"), "Brisole"); }},
      {"Bugzilla", "component_script",
       [](const TStoredBug& bug) { EXPECT_EQ(bug.FiledField("component"), "Installer"); }},
  };
  TempFolder folder;
  const std::string package = folder.Path() + "report.zip";
  WriteFileBytes(package, "PK\x05\x06");
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.tracker) + " " + row.option);
    const TTrackerCase& tracker = TrackerCase(row.tracker);
    TTrackerStandIn standIn = FreshStandIn(tracker);
    if (!standIn.Available()) GTEST_SKIP() << tracker.PortVariable << " is not set";
    standIn.Control({{"option", row.option}});
    const TSendOutcome outcome = SendWith(tracker, FirstOccurrence(standIn, package));
    ASSERT_EQ(outcome.Result, 0) << outcome.Response.Body;
    const TStoredState state = standIn.State();
    ASSERT_EQ(state.Bugs.size(), 1u);
    EXPECT_EQ(state.Bugs[0].Value("summary"), kFirstTitle);
    row.check(state.Bugs[0]);
  }
}

// The log text as stored reports: splitting, loading a file's text, the
// limit, the file bytes, and the numbered items of stored reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/ELogManagerFormat.h"
#include "report/ELogManagerItems.h"
#include "tests/report/support/LogReports.h"

namespace {

const std::string kPairs3 = "\r\n\r\n\r\n";

std::string LfOnly(std::string text) {
  std::string result;
  for (char c : text)
    if (c != '\r') result += c;
  return result;
}

std::vector<std::string> Ids(const TStoredReports& reports) {
  std::vector<std::string> ids;
  for (const std::string& report : reports) ids.push_back(ReportItemValue(report, "2.7"));
  return ids;
}

// A log text and the bug identifiers of the reports read from it.
struct TTextCase {
  const char* name;
  std::string text;
  std::vector<std::string> ids;
};

// The file bytes after appending the given reports to an empty log.
std::string FileOf(const std::vector<std::string>& reports) {
  TStoredReports stored;
  for (const std::string& report : reports) AppendStoredReport(stored, report, -1);
  return LogFileText(stored);
}

}  // namespace

TEST(LogFileText, AppendedReports_AreSeparatedByFivePairsAndEndWithFour) {
  const std::string a = NumberedReport(1), b = NumberedReport(2);
  EXPECT_EQ(FileOf({a}), a + kPairs3);
  EXPECT_EQ(FileOf({a, b}), a + kPairs3 + "\r\n" + b + kPairs3);
  EXPECT_EQ(FileOf({}), "") << "an empty list saves an empty file";
}

TEST(SplitLogText, Pieces_AreTheCompleteReports) {
  const std::string a = NumberedReport(1), b = NumberedReport(2), c = NumberedReport(3);
  const std::string two = FileOf({a, b});
  const TTextCase cases[] = {
      {"empty", "", {}},
      {"one report", FileOf({a}), {"0001"}},
      {"three reports", FileOf({a, b, c}), {"0001", "0002", "0003"}},
      {"garbage between reports",
       a + kPairs3 + "\r\nnot a report\r\n" + kPairs3 + "\r\n" + b + kPairs3,
       {"0001", "0002"}},
      {"truncated last report", two + "\r\n" + b.substr(0, 200) + kPairs3, {"0001", "0002"}},
      {"text opening with the separator", "\r\n\r\n\r\n\r\n" + two, {"0001", "0002"}},
      {"LF-only line ends", LfOnly(two), {"0001", "0002"}},
      {"no separator after the last report", two + "\r\n" + c, {"0001", "0002"}},
  };
  for (const TTextCase& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Ids(SplitLogText(row.text)), row.ids);
  }
}

TEST(SplitLogText, FirstPieceIsTheReportAndLaterOnesStartWithAnEmptyLine) {
  const std::string a = NumberedReport(1), b = NumberedReport(2);
  const TStoredReports pieces = SplitLogText(FileOf({a, b}));
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0], a + "\r\n\r\n");
  EXPECT_EQ(pieces[1], "\r\n" + b + "\r\n\r\n");
  EXPECT_EQ(ReportFirstLine(pieces[1]), "ZuderaDod 6.1.05 RC 6")
      << "leading empty lines are skipped when the first line is read";
}

TEST(ParseLogFileText, EditedAndDamagedFiles_LoadAsTheirReports) {
  const std::string a = NumberedReport(1), b = NumberedReport(2);
  const std::string file = FileOf({a, b});
  const TTextCase cases[] = {
      {"as written", file, {"0001", "0002"}},
      {"without the final four pairs", file.substr(0, file.size() - 8), {"0001", "0002"}},
      {"without any final line break", file.substr(0, file.size() - 10), {"0001", "0002"}},
      {"LF-only line ends", LfOnly(file), {"0001", "0002"}},
      {"lone CR line ends",
       [&] {
         std::string text = LfOnly(file);
         for (char& ch : text)
           if (ch == '\n') ch = '\r';
         return text;
       }(),
       {"0001", "0002"}},
      {"fewer than 8 characters", "-\r\n|\r\n", {}},
      {"no complete report", "some notes\r\n\r\n\r\n\r\n", {}},
  };
  for (const TTextCase& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Ids(ParseLogFileText(row.text)), row.ids);
  }
}

TEST(ParseLogFileText, LoadedReportsSaveBackToTheSameBytes) {
  const std::string file = FileOf({NumberedReport(1), NumberedReport(2), NumberedReport(3)});
  EXPECT_EQ(LogFileText(ParseLogFileText(file)), file);
  // A report appended to a loaded log is stored like one appended before.
  TStoredReports loaded = ParseLogFileText(file);
  AppendStoredReport(loaded, NumberedReport(4), -1);
  EXPECT_EQ(Ids(ParseLogFileText(LogFileText(loaded))),
            (std::vector<std::string>{"0001", "0002", "0003", "0004"}));
}

TEST(AppendStoredReport, Limit_KeepsTheNewest) {
  struct Case {
    int stored;
    int limit;
    std::vector<std::string> ids;
  } cases[] = {
      {3, 3, {"0002", "0003", "0009"}},          {5, 3, {"0004", "0005", "0009"}},
      {2, 3, {"0001", "0002", "0009"}},          {3, 1, {"0009"}},
      {3, -1, {"0001", "0002", "0003", "0009"}},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(testing::Message() << row.stored << " stored, limit " << row.limit);
    TStoredReports reports;
    for (int n = 1; n <= row.stored; ++n) AppendStoredReport(reports, NumberedReport(n), -1);
    AppendStoredReport(reports, NumberedReport(9), row.limit);
    EXPECT_EQ(Ids(reports), row.ids);
  }
}

TEST(ReportItemValue, ReadsItemsByNumber) {
  TSampleReport facts;
  facts.Message = "first: line\r\n\r\nlast";
  const std::string stored = "\r\n" + SampleReport(facts) + "\r\n\r\n";
  struct Case {
    const char* item;
    const char* value;
  } cases[] = {
      {"1.3", "1.0.0.0"},
      {"2.7", "1A2B"},
      {"2.8", "1"},
      {"2.1", "Tue, 9 Dec 2008 14:05:03 +0100"},
      {"2.10", ""},
      {"2.6", "first: line\r\n \r\nlast"},  // the block form undone; the empty line reads " "
      {"4.1", ""},                          // absent
      {"2", ""},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.item);
    EXPECT_EQ(ReportItemValue(stored, row.item), row.value);
  }
}

TEST(StoredItemValue, BlockValues_AreWrittenAsTheReportWritesThem) {
  EXPECT_EQ(StoredItemValue("one line: yes", 9), "one line: yes");
  EXPECT_EQ(StoredItemValue("a: b\r\n\r\nc", 4), "a:_b\r\n    .\r\n    c");
  EXPECT_EQ(StoredItemValue("a\nb", 2), "a\r\n  b");
}

TEST(ReportItemIs, MatchesTheWholeStoredValue) {
  TSampleReport facts;
  facts.Message = "two\r\nlines";
  const std::string report = SampleReport(facts);
  struct Case {
    const char* item;
    const char* value;
    bool matches;
  } cases[] = {
      {"2.7", "1A2B", true},         {"2.7", "1A2", false}, {"2.7", "1a2b", false},
      {"2.6", "two\r\nlines", true}, {"2.6", "two", false}, {"2.4", "", false},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(testing::Message() << row.item << " = " << row.value);
    EXPECT_EQ(ReportItemIs(report, row.item, row.value), row.matches);
  }
}

TEST(SetReportItemValue, ShownItem_ChangesOnlyItsValue) {
  const std::string before = SampleReport();
  std::string report = before + kPairs3;
  ASSERT_TRUE(SetReportItemValue(report, "2.8", "2", "Count"));
  TSampleReport counted;
  counted.Count = "2";
  EXPECT_EQ(report, SampleReport(counted) + kPairs3);
}

TEST(SetReportItemValue, HiddenItem_BecomesTheLastLineOfItsSection) {
  TSampleReport facts;
  facts.CountShown = false;
  std::string report = SampleReport(facts) + kPairs3;
  ASSERT_TRUE(SetReportItemValue(report, "2.8", "2", "Count"));
  EXPECT_NE(report.find("  2.10 Note  : \r\n  2.8 Count  : 2\r\n\r\nUser:"), std::string::npos)
      << report.substr(0, 700);
  EXPECT_EQ(ReportItemValue(report, "2.8"), "2");
  EXPECT_EQ(ReportItemValue(report, "2.9"), "New");
}

TEST(SetReportItemValue, ItemWithoutItsSection_LeavesTheReportAlone) {
  const std::string before = SampleReport();
  for (const char* item : {"9.1", "28"}) {
    SCOPED_TRACE(item);
    std::string report = before;
    EXPECT_FALSE(SetReportItemValue(report, item, "x", "Label"));
    EXPECT_EQ(report, before);
  }
}

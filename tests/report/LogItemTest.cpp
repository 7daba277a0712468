// The section writer: numbering, hidden items, empty sections, alignment,
// block values and the dash lines, against texts worked out by hand.
#include <gtest/gtest.h>

#include "report/ELogItem.h"

TEST(LogItem, HiddenItemsKeepTheirNumbers_EmptySectionsGo_ValuesAlign) {
  TLogItem log(0);
  log.AddHeader("Application");
  log.AddItem("Start Date", "Tue, 9 Dec 2008 12:00:00 +0100", false);
  log.AddItem("Name", "abc", true);
  log.AddItem("Version Number", "1.0", true);
  log.AddHeader("User");
  log.AddItem("ID", "mrossi", false);
  log.AddHeader("Computer");
  log.AddItem("Name", "pc", true);
  EXPECT_EQ(log.GetText(),
            "Application:\r\n"
            "-------------------------\r\n"
            "  1.2 Name          : abc\r\n"
            "  1.3 Version Number: 1.0\r\n"
            "\r\n"
            "Computer:\r\n"
            "--------------\r\n"
            "  3.1 Name: pc\r\n");
}

TEST(LogItem, BlockValue_ColonsMarkedBlankLinesDottedLinesUnderTheValues) {
  TLogItem log(1);
  log.AddHeader("Exception");
  for (int i = 1; i <= 5; ++i) log.AddItem("Hidden", "", false);
  log.AddItem("Message", "a: b\r\n\r\nc", true);
  log.AddItem("ID", "ABCD", true);
  EXPECT_EQ(log.GetText(),
            "Exception:\r\n"
            "-------------------\r\n"
            "  2.6 Message: a:_b\r\n"
            "               .\r\n"
            "               c\r\n"
            "  2.7 ID     : ABCD\r\n");
}

TEST(LogItem, BlockValue_LineEndingInAColonIsNoSectionTitle) {
  // A line of a value that ends in ":" looks like a title by its colon
  // alone; it stays a line of the value (and the value is not lost).
  TLogItem log(7);
  log.AddHeader("Request");
  log.AddItem("", "Steps:\r\nopen the archive\r\nthen:", true);
  EXPECT_EQ(log.GetText(),
            "Request:\r\n"
            "------------------------\r\n"
            "  8.1 : Steps:\r\n"
            "        open the archive\r\n"
            "        then:\r\n");
}

TEST(LogItem, EmptyLastSection_TakesItsBlankLineWithIt) {
  TLogItem log(0);
  log.AddHeader("A");
  log.AddItem("x", "1", true);
  log.AddHeader("B");
  log.AddItem("y", "2", false);
  EXPECT_EQ(log.GetText(), "A:\r\n----------\r\n  1.1 x: 1\r\n");
}

TEST(LogItem, NoVisibleItem_GivesNoText) {
  TLogItem log(0);
  log.AddHeader("Application");
  log.AddItem("Name", "abc", false);
  log.AddHeader("User");
  EXPECT_EQ(log.GetText(), "");
}

TEST(LogItem, NormaliseLineBreaks_MakesLoneBreaksCrLf) {
  const std::pair<const char*, const char*> rows[] = {
      {"a\nb", "a\r\nb"},       {"a\rb", "a\r\nb"},
      {"a\r\nb", "a\r\nb"},     {"a\r\r\nb", "a\r\n\r\nb"},
      {"a\n\nb", "a\r\n\r\nb"}, {"\nab", "\nab"},
      {"ab\r", "ab\r\n"},       {"", ""},
  };
  for (const auto& [value, normal] : rows) {
    SCOPED_TRACE(testing::PrintToString(std::string(value)));
    EXPECT_EQ(NormaliseLineBreaks(value), normal);
  }
}

TEST(LogItem, ValueWithALoneLineFeed_IsWrittenAsABlock) {
  TLogItem log(0);
  log.AddHeader("T");
  log.AddItem("V", "x\ny", true);
  EXPECT_EQ(log.GetText(), "T:\r\n----------\r\n  1.1 V: x\r\n         y\r\n");
}

// The mail date form and the duration form.
#include <gtest/gtest.h>

#include "report/EReportDates.h"
#include "tests/report/ReportFixture.h"

TEST(ReportDates, MailDate_EnglishNamesTimeAndZone) {
  struct TRow {
    double DateTime;
    int Zone;
    const char* Text;
  };
  const TRow rows[] = {
      {FixtureDateTime(2008, 12, 9, 14, 5, 3), 1, "Tue, 9 Dec 2008 14:05:03 +0100"},
      {FixtureDateTime(2000, 1, 1, 0, 0, 0), -5, "Sat, 1 Jan 2000 00:00:00 -0500"},
      {FixtureDateTime(1999, 12, 31, 23, 59, 59), 10, "Fri, 31 Dec 1999 23:59:59 +1000"},
      {FixtureDateTime(2024, 2, 29, 8, 7, 6), 0, "Thu, 29 Feb 2024 08:07:06 +0000"},
      {FixtureDateTime(2015, 6, 14, 21, 30, 0), -12, "Sun, 14 Jun 2015 21:30:00 -1200"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Text);
    EXPECT_EQ(MailDateText(row.DateTime, row.Zone), row.Text);
  }
}

TEST(ReportDates, Duration_ShowsNonZeroUnitsAndAlwaysTheSeconds) {
  constexpr double kSecond = 1.0 / 86400;
  struct TRow {
    double Days;
    const char* Text;
  };
  const TRow rows[] = {
      {2 + 1.0 / 24 + 5.0 / 1440, "2 days, 1 hour, 5 minutes, 0 second"},
      {0, "0 second"},
      {kSecond, "1 second"},
      {2 * kSecond, "2 seconds"},
      {1, "1 day, 0 second"},
      {61.0 / 1440, "1 hour, 1 minute, 0 second"},
      {5.0 / 1440, "5 minutes, 0 second"},
      {3 + 59 * kSecond, "3 days, 59 seconds"},
      {-kSecond, "0 second"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Text);
    EXPECT_EQ(DurationText(row.Days), row.Text);
  }
}

#include "report/EReportDates.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "debuginfo/ESnapshotTexts.h"

namespace {

constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string Count(long long count, const char* unit) {
  return std::to_string(count) + " " + unit + (count > 1 ? "s" : "");
}

}  // namespace

std::string ZoneText(int utcOffsetHours) {
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d00", utcOffsetHours < 0 ? '-' : '+',
                std::abs(utcOffsetHours));
  return text;
}

std::string MailDateText(double dateTime, int utcOffsetHours) {
  const TDateTimeParts parts = DecodeDateTime(dateTime);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %u %s %d %02u:%02u:%02u %s", kDayNames[parts.DayOfWeek],
                parts.Day, kMonthNames[parts.Month - 1], parts.Year, parts.Hour, parts.Minute,
                parts.Second, ZoneText(utcOffsetHours).c_str());
  return text;
}

std::string DurationText(double days) {
  // Whole milliseconds first, so that a span of exactly five minutes is not
  // 4 minutes and 59.999 seconds of floating-point dust.
  long long rest = days > 0 ? std::llround(days * 86400000.0) / 1000 : 0;
  const long long seconds = rest % 60;
  rest /= 60;
  const long long minutes = rest % 60;
  rest /= 60;
  const long long hours = rest % 24;
  const long long wholeDays = rest / 24;
  std::string text;
  if (wholeDays > 0) text += Count(wholeDays, "day") + ", ";
  if (hours > 0) text += Count(hours, "hour") + ", ";
  if (minutes > 0) text += Count(minutes, "minute") + ", ";
  return text + Count(seconds, "second");
}

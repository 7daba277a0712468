// The two time forms of the report and of mail headers: the mail date form
// ("Tue, 9 Dec 2008 14:05:03 +0100") and the duration form ("2 days, 1 hour,
// 5 minutes, 0 second"). Date-times are days since 30 December 1899 with the
// time of day as the fraction, local time.
//
// Pure; never raises.
#pragma once

#include <string>

// "+0100", "-0500", "+1000": the hours local time is ahead of UTC.
std::string ZoneText(int utcOffsetHours);
// "%s, %d %s %d %0.2d:%0.2d:%0.2d %s": English day and month names, the
// four-digit year, the time and ZoneText.
std::string MailDateText(double dateTime, int utcOffsetHours);
// A span of days (with fractions) as days, hours and minutes, each only when
// more than 0, followed always by the seconds; "s" on counts above 1. A
// negative span counts as 0.
std::string DurationText(double days);

// The log file's text as a list of stored reports (pure; no windows.h).
//
// The file is the stored reports, oldest first, with CR LF line ends and no
// header. A stored report is a report text followed by three CR LF pairs; in
// the file each one is followed by one more CR LF pair, except that this pair
// is left out after the final report when its text ended with a CR LF. So two
// reports are separated by five CR LF pairs and the file ends with four.
//
// Stored reports read back from a file keep the exact pieces the splitter
// cut: every piece after the first begins with one CR LF pair and ends with
// two, which the file text below turns back into the same bytes. Nothing
// here raises except std::bad_alloc.
#pragma once

#include "platform/runtime/LineBreaks.h"

#include <string>
#include <string_view>
#include <vector>

using TStoredReports = std::vector<std::string>;

// The run that separates stored reports, and what follows a report's text.
inline constexpr std::string_view kLogReportSeparator = "\r\n\r\n\r\n\r\n";
inline constexpr std::string_view kStoredReportEnd = "\r\n\r\n\r\n";
// Every complete report holds a table rule line directly followed by a row.
inline constexpr std::string_view kCompleteReportMark = "-\r\n|";

// The pieces of a log text that are complete reports, oldest first. Line
// breaks are normalised first; text between reports that is no complete
// report (garbage, a truncated last report) is dropped. A text that does not
// end with the separator yields nothing after its last one.
TStoredReports SplitLogText(std::string_view text);

// A file's whole content as the stored reports: fewer than 8 characters give
// none; a text whose last 8 characters are not four CR LF pairs is read as if
// they followed.
TStoredReports ParseLogFileText(std::string_view fileText);

// Adds `report` (followed by three CR LF pairs) as the newest report; when
// `limit` is not -1, the oldest reports are dropped first so that at most
// `limit` remain afterwards.
void AppendStoredReport(TStoredReports& reports, std::string_view report, int limit);

// Every stored report followed by CR LF.
std::string WholeLogText(const TStoredReports& reports);

// The bytes of the file for these reports: the whole text, without its final
// CR LF pair when the two characters before its last eight are a CR LF pair.
// Empty for no reports.
std::string LogFileText(const TStoredReports& reports);

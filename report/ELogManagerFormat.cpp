#include "report/ELogManagerFormat.h"

#include <algorithm>

TStoredReports SplitLogText(std::string_view source) {
  const std::string text = NormaliseLineBreaks(source);
  TStoredReports reports;
  std::size_t start = 0;
  for (;;) {
    const std::size_t run = text.find(kLogReportSeparator, start);
    if (run == std::string::npos) break;
    if (run == 0) {
      // A text that opens with the separator: look again one character on.
      start = 1;
      continue;
    }
    const std::size_t pieceEnd = run + kStoredReportEnd.size();
    const std::string_view piece(text.data() + start, pieceEnd - start);
    if (piece.find(kCompleteReportMark) != std::string_view::npos) reports.emplace_back(piece);
    // The run ends with a CR LF pair, so the next piece starts on a new line.
    start = run + kLogReportSeparator.size();
  }
  return reports;
}

TStoredReports ParseLogFileText(std::string_view fileText) {
  if (fileText.size() < kLogReportSeparator.size()) return {};
  if (fileText.ends_with(kLogReportSeparator)) return SplitLogText(fileText);
  std::string completed(fileText);
  completed += kLogReportSeparator;
  return SplitLogText(completed);
}

void AppendStoredReport(TStoredReports& reports, std::string_view report, int limit) {
  if (limit >= 0 && reports.size() >= static_cast<std::size_t>(limit)) {
    const std::size_t dropped = std::min(reports.size(), reports.size() - limit + 1);
    reports.erase(reports.begin(), reports.begin() + static_cast<std::ptrdiff_t>(dropped));
  }
  std::string stored(report);
  stored += kStoredReportEnd;
  reports.push_back(std::move(stored));
}

std::string WholeLogText(const TStoredReports& reports) {
  std::size_t size = 0;
  for (const std::string& report : reports) size += report.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& report : reports) {
    text += report;
    text += "\r\n";
  }
  return text;
}

std::string LogFileText(const TStoredReports& reports) {
  std::string text = WholeLogText(reports);
  const std::size_t tail = kLogReportSeparator.size();
  if (text.size() >= tail + 2 && text.compare(text.size() - tail - 2, 2, "\r\n") == 0)
    text.resize(text.size() - 2);
  return text;
}

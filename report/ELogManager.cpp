#include "report/ELogManager.h"

#include "engine/ECoreServices.h"
#include "platform/runtime/Exception.h"
#include "report/ELogManagerItems.h"

namespace {

bool ValidIndex(const TStoredReports& reports, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < reports.size();
}

}  // namespace

TLogFile::TLogFile(const std::string& fileName, bool readOnly) : readOnly_(readOnly) {
  try {
    fileName_ = WritableLocation(fileName, true, readOnly);
  } catch (const EInOutError&) {
    if (!readOnly) throw;
    fileName_ = ExpandVariables(fileName);  // read only: no place holds the file
    return;
  }
  if (!readOnly) lock_.emplace(fileName_);
  if (const std::optional<std::string> bytes = ReadLogFileBytes(fileName_))
    reports_ = ParseLogFileText(*bytes);
}

void TLogFile::Append(std::string_view report, int limit) {
  AppendStoredReport(reports_, report, limit);
}

void TLogFile::Save() {
  if (readOnly_) throw EInOutError("Log file \"" + fileName_ + "\" is open for reading only");
  ReplaceLogFileBytes(fileName_, LogFileText(reports_));
}

std::string TLogFile::WholeText() const {
  return WholeLogText(reports_);
}

std::string TLogFile::ItemValue(std::string_view item, int index) const {
  return ValidIndex(reports_, index) ? ReportItemValue(reports_[index], item) : std::string();
}

void TLogFile::SetItemValue(std::string_view item, std::string_view value, int index,
                            std::string_view label) {
  if (ValidIndex(reports_, index)) SetReportItemValue(reports_[index], item, value, label);
}

int TLogFile::FindReport(std::string_view item, std::string_view value) const {
  int found = -1;
  for (std::size_t index = 0; index < reports_.size(); ++index)
    if (ReportItemIs(reports_[index], item, value)) found = static_cast<int>(index);
  return found;
}

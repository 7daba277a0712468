#include "report/EReportText.h"

#include "engine/ECoreOptionFlags.h"
#include "platform/runtime/TextTrim.h"
#include "report/EBugId.h"
#include "report/ELogItem.h"
#include "report/EReportSections.h"
#include "report/EReportValues.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr int kLeadInText = 4;
constexpr int kModulesTitleText = 10;
constexpr int kProcessesTitleText = 12;
constexpr int kCustomInformationText = 91;
constexpr int kRequestText = 123;
// Both inserted sections are numbered 8, after the seven general ones.
constexpr int kInsertedSectionsAfter = 7;
constexpr int kCustomDataBit = 47;

void InsertAfterGeneralText(std::string& text, std::size_t at, const std::string& section) {
  text.insert(std::min(at, text.size()), section);
}

}  // namespace

TBugReport BuildBugReport(const TReportException& exception, const TReportSources& sources) {
  const TDovaroModuleOptions& options = *sources.Options;
  TBugReport report;
  report.BugId = exception.ExceptionId ? *exception.ExceptionId
                                       : BugIdentifierOf(exception, *sources.Stack,
                                                         *sources.AddressModules, *sources.System);
  report.GeneralText = GeneralReportText(exception, sources, report.BugId);
  std::string& text = report.Text;
  text = report.GeneralText + std::string(kLineEnd);
  text += CallStackBlock(*sources.Stack, options, *sources.Threads);
  if (options.LogFlags() & LogModulesAndProcesses) {
    // Each list is read under its own lock, one after the other.
    text += ModulesBlock(sources.Modules->Modules(), options);
    text += ProcessesBlock(sources.Processes->Processes(), options);
  } else {
    text += EmptyBlock(options.Text(kModulesTitleText));
    text += EmptyBlock(options.Text(kProcessesTitleText));
  }
  text += AssemblerSection(exception.Address, options, sources.Listing);
  text += CpuBlock(exception, options, *sources.Memory);
  report.SendingText = text;
  report.LeadIn = options.Text(kLeadInText) + "\r\n\r\n";
  return report;
}

void InsertReportSection(TBugReport& report, int firstSectionMinusOne, std::string_view title,
                         const TReportSectionItems& items) {
  TLogItem log(firstSectionMinusOne);
  log.AddHeader(title);
  for (const auto& [label, value] : items) log.AddItem(label, value, true);
  const std::string section = log.GetText();
  // After the general text and the line end that follows it.
  const std::size_t at = report.GeneralText.size() + kLineEnd.size();
  InsertAfterGeneralText(report.Text, at, section + std::string(kLineEnd));
  InsertAfterGeneralText(report.SendingText, at, section + std::string(kLineEnd));
  report.GeneralText += std::string(kLineEnd) + section;
}

bool AddCustomInformation(TBugReport& report, const TDovaroModuleOptions& options,
                          const std::vector<std::string>& lines) {
  if (lines.empty() || (options.GeneralFieldsShown() >> kCustomDataBit & 1) == 0) return false;
  TReportSectionItems items;
  for (const std::string& line : lines) {
    const auto equals = line.find('=');
    const std::string_view text(line);
    if (equals == std::string::npos) {
      items.emplace_back(std::string(TrimBlanks(text)), std::string());
    } else {
      items.emplace_back(std::string(TrimBlanks(text.substr(0, equals))),
                         std::string(TrimBlanks(text.substr(equals + 1))));
    }
  }
  InsertReportSection(report, kInsertedSectionsAfter, options.Text(kCustomInformationText), items);
  return true;
}

bool AddReproduceRequest(TBugReport& report, const TDovaroModuleOptions& options,
                         std::string_view note) {
  if ((options.LogFlags() & LogAddReproduceText) == 0 || note.empty()) return false;
  InsertReportSection(report, kInsertedSectionsAfter, options.Text(kRequestText),
                      {{std::string(), std::string(note)}});
  return true;
}

void SetReportUserEmail(std::string& text, std::string_view email) {
  const auto item = text.find("\r\n  3.3 ");
  if (item == std::string::npos) return;
  const auto mark = text.find(": ", item);
  if (mark == std::string::npos) return;
  const std::size_t from = mark + 2;
  const auto end = text.find(kLineEnd, from);
  text.replace(from, (end == std::string::npos ? text.size() : end) - from, email);
}

void SetReportUserEmail(TBugReport& report, std::string_view email) {
  SetReportUserEmail(report.GeneralText, email);
  SetReportUserEmail(report.Text, email);
  SetReportUserEmail(report.SendingText, email);
}

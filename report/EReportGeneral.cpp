// The general sections: which text labels each item, which GeneralFieldsShown
// bit shows it and where its value comes from, in report order.
#include <cstdio>
#include <optional>

#include "report/ELogItem.h"
#include "report/EReportDates.h"
#include "report/EReportSections.h"
#include "report/EReportValues.h"
#include "report/ESysInfoFormat.h"

namespace {

// The values that come from the exception rather than from a collector.
enum TOwnValue : std::uint8_t {
  ovSection,  // a section title, no item
  ovCollected,
  ovStartDate,
  ovUpTime,
  ovExceptionDate,
  ovAddress,
  ovModuleName,
  ovModuleVersion,
  ovType,
  ovMessage,
  ovBugId,
  ovCount,
  ovStatus,
  ovNote,
  ovEmail,
  ovFocusClass,
  ovFocusText,
};

struct TGeneralItem {
  int Text;  // the customizable text of the label (or the section's title)
  int Bit;   // of GeneralFieldsShown; -1 for a section
  TOwnValue Own;
  TSystemItem Collected = kSystemItemCount;
};

constexpr TGeneralItem Section(int text) {
  return {text, -1, ovSection};
}
constexpr TGeneralItem Own(int text, int bit, TOwnValue value) {
  return {text, bit, value};
}
constexpr TGeneralItem Collected(int text, int bit, TSystemItem item) {
  return {text, bit, ovCollected, item};
}

// The Active Controls items, shown only in a program with windows.
constexpr int kFirstActiveControlsBit = 21;
constexpr int kLastActiveControlsBit = 24;

constexpr TGeneralItem kGeneralItems[] = {
    Section(37),
    Own(38, 0, ovStartDate),
    Collected(39, 1, siApplicationName),
    Collected(40, 2, siApplicationVersion),
    Collected(41, 3, siApplicationParameters),
    Collected(42, 4, siCompilationDate),
    Own(43, 5, ovUpTime),
    Section(44),
    Own(45, 6, ovExceptionDate),
    Own(46, 7, ovAddress),
    Own(47, 8, ovModuleName),
    Own(48, 9, ovModuleVersion),
    Own(49, 10, ovType),
    Own(50, 11, ovMessage),
    Own(51, 12, ovBugId),
    Own(52, 13, ovCount),
    Own(53, 14, ovStatus),
    Own(54, 15, ovNote),
    Section(55),
    Collected(56, 16, siUserId),
    Collected(57, 17, siUserName),
    Own(58, 18, ovEmail),
    Collected(59, 20, siUserCompany),
    Collected(60, 19, siUserPrivileges),
    Section(61),
    Collected(62, 21, siFormClass),
    Collected(63, 22, siFormText),
    Own(64, 23, ovFocusClass),
    Own(65, 24, ovFocusText),
    Section(66),
    Collected(67, 25, siComputerName),
    Collected(68, 26, siTotalMemory),
    Collected(69, 27, siFreeMemory),
    Collected(70, 28, siTotalDisk),
    Collected(71, 29, siFreeDisk),
    Collected(72, 30, siSystemUpTime),
    Collected(73, 31, siProcessor),
    Collected(74, 32, siDisplayMode),
    Collected(75, 33, siDisplayDpi),
    Collected(76, 34, siVideoCard),
    Collected(77, 35, siPrinter),
    Section(78),
    Collected(79, 36, siOsType),
    Collected(80, 37, siOsBuild),
    Collected(81, 38, siOsUpdate),
    Collected(82, 39, siOsLanguage),
    Collected(83, 40, siOsCharset),
    Section(84),
    Collected(85, 41, siIpAddress),
    Collected(86, 42, siSubmask),
    Collected(87, 43, siGateway),
    Collected(88, 44, siDns1),
    Collected(89, 45, siDns2),
    Collected(90, 46, siDhcp),
};

std::string AddressText(TAddress address) {
  if (address == 0) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(address));
  return text;
}

std::string OwnValue(TOwnValue value, const TReportException& e, const TReportSources& sources,
                     const std::string& bugId) {
  switch (value) {
    case ovStartDate:
      return MailDateText(e.StartTime, e.UtcOffsetHours);
    case ovUpTime:
      return DurationText(e.ExceptionTime - e.StartTime);
    case ovExceptionDate:
      return MailDateText(e.ExceptionTime, e.UtcOffsetHours);
    case ovAddress:
      return AddressText(e.Address);
    case ovModuleName:
      return ExceptionModuleName(e, *sources.AddressModules);
    case ovModuleVersion:
      return ExceptionModuleVersion(e, *sources.AddressModules);
    case ovType:
      return ExceptionTypeText(e);
    case ovMessage:
      return ExceptionMessageText(e, *sources.Memory, *sources.AddressModules);
    case ovBugId:
      return bugId;
    case ovCount:
      return "1";
    case ovStatus:
      return "New";
    case ovEmail:
      return e.UserEmail;
    case ovFocusClass:
      return e.FocusClass;
    case ovFocusText:
      return ControlRunsAsSpaces(e.FocusText);
    default:
      return {};
  }
}

bool Shown(const TGeneralItem& item, const TReportException& e, std::uint64_t shownBits) {
  if ((shownBits >> item.Bit & 1) == 0) return false;
  if (item.Bit >= kFirstActiveControlsBit && item.Bit <= kLastActiveControlsBit)
    return !e.ConsoleProgram && !e.WebProgram;
  return true;
}

}  // namespace

std::string GeneralReportText(const TReportException& exception, const TReportSources& sources,
                              const std::string& bugId) {
  const TDovaroModuleOptions& options = *sources.Options;
  const std::uint64_t shownBits = options.GeneralFieldsShown();
  TLogItem log(0);
  for (const TGeneralItem& item : kGeneralItems) {
    if (item.Own == ovSection) {
      log.AddHeader(options.Text(item.Text));
      continue;
    }
    const bool shown = Shown(item, exception, shownBits);
    std::string value;
    if (shown) {
      value = item.Own == ovCollected ? sources.System->Value(item.Collected)
                                      : OwnValue(item.Own, exception, sources, bugId);
    }
    log.AddItem(options.Text(item.Text), value, shown);
  }
  return std::string(kReportTitle) + "\r\n\r\n" + log.GetText();
}

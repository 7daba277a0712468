// The collectors on the live process under Wine: each item gives a plausible
// value or its named fallback without raising, and a system function that is
// missing is skipped.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <regex>
#include <set>

#include "platform/runtime/SystemRecords.h"
#include "report/ESysInfo.h"

// The report reads the system's records by these layouts.
static_assert(offsetof(CONTEXT, Eip) == offsetof(TRegisterContext, Eip));
static_assert(offsetof(CONTEXT, Esp) == offsetof(TRegisterContext, Esp));
static_assert(offsetof(CONTEXT, Eax) == offsetof(TRegisterContext, Eax));
static_assert(offsetof(CONTEXT, SegSs) == offsetof(TRegisterContext, SegSs));
static_assert(offsetof(CONTEXT, ExtendedRegisters) == sizeof(TRegisterContext));
static_assert(sizeof(EXCEPTION_RECORD) == sizeof(TOsExceptionRecord));
static_assert(offsetof(EXCEPTION_RECORD, ExceptionInformation) ==
              offsetof(TOsExceptionRecord, ExceptionInformation));

namespace {

constexpr const char* kDuration = R"(^(\d+ days?, )?(\d+ hours?, )?(\d+ minutes?, )?\d+ seconds?$)";
constexpr const char* kMailDate =
    R"(^((Sun|Mon|Tue|Wed|Thu|Fri|Sat), \d{1,2} [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d [+-]\d{4})?$)";
constexpr const char* kAddressColumns = R"(^(\d{3}\.\d{3}\.\d{3}\.\d{3}( - |$))*$)";
constexpr const char* kOneLine = R"(^[^\r\n]*$)";

bool Matches(const std::string& text, const char* pattern) {
  return std::regex_search(text, std::regex(pattern));
}

// The system's functions, except those named missing; every name asked for
// is noted.
struct TLookupWithout {
  std::set<std::string> Missing;
  std::shared_ptr<std::set<std::string>> Asked = std::make_shared<std::set<std::string>>();
  void* operator()(const char* library, const char* name) const {
    Asked->insert(name);
    return Missing.count(name) ? nullptr : SystemFunction(library, name);
  }
};

std::uint64_t Megabytes(const std::string& text) {
  return std::stoull(text.substr(0, text.find(' ')));
}

}  // namespace

TEST(SysInfoLive, EveryItem_GivesAPlausibleValueOrItsFallback) {
  TLiveSystemInfo info;
  struct TRow {
    TSystemItem Item;
    const char* Pattern;
  };
  const TRow rows[] = {
      {siApplicationName, R"(^report_tests\.exe( - \(.+\))?$)"},
      {siApplicationVersion, R"(^(\d+\.\d+\.\d+\.\d+)?$)"},
      {siApplicationParameters, kOneLine},
      {siCompilationDate, kMailDate},
      {siUserId, R"(^[^\r\n]+$)"},
      {siUserName, kOneLine},
      {siUserCompany, kOneLine},
      {siUserPrivileges, R"(^(.{31} - (ON|OFF)\r\n)*$)"},
      {siFormClass, kOneLine},
      {siFormText, R"(^[^\x00-\x1f]*$)"},
      {siComputerName, R"(^[^\r\n]{1,15}$)"},
      {siTotalMemory, R"(^\d+ Mb$)"},
      {siFreeMemory, R"(^\d+ Mb$)"},
      {siTotalDisk, R"(^(\d+([.,]\d{1,2})? Gb)?$)"},
      {siFreeDisk, R"(^(\d+([.,]\d{1,2})? Gb)?$)"},
      {siSystemUpTime, kDuration},
      {siProcessor, R"(^[^\r\n]+$)"},
      {siDisplayMode, R"(^\d+ x \d+, \d+ bit$)"},
      {siDisplayDpi, R"(^\d+$)"},
      {siVideoCard, R"(^[^\r\n]* \(driver [^\r\n]*\)$)"},
      {siPrinter, R"(^([^\r\n]* \(driver [^\r\n ]*\))?$)"},
      {siOsType, R"(^Microsoft Windows .+$)"},
      {siOsBuild, R"(^\d+$)"},
      {siOsUpdate, kOneLine},
      {siOsLanguage, R"(^[A-Za-z ()]*$)"},
      {siOsCharset, R"(^\d*$)"},
      {siIpAddress, kAddressColumns},
      {siSubmask, kAddressColumns},
      {siGateway, kAddressColumns},
      {siDns1, kAddressColumns},
      {siDns2, kAddressColumns},
      {siDhcp, R"(^((ON |OFF) {12}( - |$))*$)"},
  };
  ASSERT_EQ(std::size(rows), static_cast<std::size_t>(kSystemItemCount));
  for (const TRow& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.Item));
    std::string value;
    EXPECT_NO_THROW(value = info.Value(row.Item));
    EXPECT_TRUE(Matches(value, row.Pattern)) << '"' << value << '"';
  }
}

// A system that caps the total of a 32-bit process but reports the whole
// machine's free memory (Wine does).
BOOL WINAPI CappedMemoryStatus(LPMEMORYSTATUSEX status) {
  status->ullTotalPhys = 3625ull << 20;
  status->ullAvailPhys = 22901ull << 20;
  return TRUE;
}

TEST(SysInfoLive, FreeMemory_NotAboveTheTotal) {
  TLiveSystemInfo info;
  EXPECT_LE(Megabytes(info.Value(siFreeMemory)), Megabytes(info.Value(siTotalMemory)));
  TLiveSystemInfo capped([](const char* library, const char* name) -> void* {
    if (std::string(name) == "GlobalMemoryStatusEx")
      return reinterpret_cast<void*>(&CappedMemoryStatus);
    return SystemFunction(library, name);
  });
  EXPECT_EQ(capped.Value(siTotalMemory), "3625 Mb");
  EXPECT_EQ(capped.Value(siFreeMemory), "3625 Mb");
}

TEST(SysInfoLive, Parameters_LeaveTheProgramOut) {
  TLiveSystemInfo info;
  const std::string parameters = info.Value(siApplicationParameters);
  EXPECT_EQ(parameters.find("report_tests"), std::string::npos) << parameters;
}

TEST(SysInfoLive, MissingOptionalFunction_IsSkipped) {
  struct TRow {
    const char* Function;
    TSystemItem Item;
    std::function<bool(const std::string&)> Expected;
  };
  const TRow rows[] = {
      {"GlobalMemoryStatusEx", siTotalMemory,
       [](const std::string& v) { return Matches(v, R"(^\d+ Mb$)"); }},
      {"GetDiskFreeSpaceExA", siTotalDisk, [](const std::string& v) { return v.empty(); }},
      {"IsWow64Process", siOsType,
       [](const std::string& v) { return v.find("(64 bit)") == std::string::npos; }},
      {"GetAdaptersInfo", siIpAddress, [](const std::string& v) { return v.empty(); }},
      {"GetPerAdapterInfo", siDns1, [](const std::string& v) { return v.empty(); }},
      {"GetDefaultPrinterA", siPrinter, [](const std::string& v) { return v.empty(); }},
      {"EnumDisplayDevicesA", siVideoCard,
       [](const std::string& v) { return Matches(v, R"(\(driver [^\r\n]*\)$)"); }},
      {"GetLongPathNameA", siApplicationName,
       [](const std::string& v) { return v.starts_with("report_tests.exe"); }},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Function);
    TLookupWithout lookup;
    lookup.Missing = {row.Function};
    TLiveSystemInfo info(lookup);
    std::string value;
    EXPECT_NO_THROW(value = info.Value(row.Item));
    EXPECT_TRUE(row.Expected(value)) << '"' << value << '"';
    if (row.Item != siApplicationName) {  // asked only for a short 8.3 path
      EXPECT_TRUE(lookup.Asked->count(row.Function)) << "the collector did not look it up";
    }
  }
}

TEST(SysInfoLive, FocusedWindow_ClassAndTextOfThisThreadsFocus) {
  const HWND window = CreateWindowExA(0, "EDIT", "Archivio 2008", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                      50, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  SetFocus(window);
  const TFocusedWindow focused = CaptureFocusedWindow();
  DestroyWindow(window);
  if (focused.ClassName.empty()) GTEST_SKIP() << "no window of this thread has the focus";
  EXPECT_EQ(focused.ClassName, "Edit");
  EXPECT_EQ(focused.Text, "Archivio 2008");
}

TEST(SysInfoLive, Times_StartBeforeNow) {
  const double start = ProcessStartTime();
  const double now = LocalTimeNow();
  EXPECT_GT(start, 39000.0);  // after 2006
  EXPECT_LE(start, now);
  EXPECT_LT(now - start, 1.0);  // this test program has not run for a day
}

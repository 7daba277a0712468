// The live collectors: each item asked of its collector, the items that come
// in groups gathered once per object.
#include <windows.h>

#include "platform/runtime/TextTrim.h"
#include "report/ESysInfoWin32.h"

namespace {

constexpr double kTicksPerDay = 864000000000.0;
constexpr double kDaysFrom1601To1899 = 109205.0;

double LocalDateTimeOf(const FILETIME& utc) {
  FILETIME local;
  if (!FileTimeToLocalFileTime(&utc, &local)) return 0;
  const auto ticks = static_cast<ULONGLONG>(local.dwHighDateTime) << 32 | local.dwLowDateTime;
  return static_cast<double>(ticks) / kTicksPerDay - kDaysFrom1601To1899;
}

}  // namespace

struct TLiveSystemInfo::TGroups {
  std::optional<TOsVersionFacts> Os;
  std::optional<TMemoryFacts> Memory;
  std::optional<std::optional<TDiskFacts>> Disk;
  std::optional<TNetworkTexts> Network;
};

TLiveSystemInfo::TLiveSystemInfo(TSystemFunctionLookup lookup)
    : lookup_(std::move(lookup)), groups_(std::make_unique<TGroups>()) {}

TLiveSystemInfo::~TLiveSystemInfo() = default;

std::string TLiveSystemInfo::Value(TSystemItem item) {
  try {
    return Collect(item);
  } catch (...) {
    // A collector gives its item up rather than the report (out of memory).
    return {};
  }
}

std::string TLiveSystemInfo::Collect(TSystemItem item) {
  TGroups& g = *groups_;
  if (!g.Os) g.Os = OsVersionFacts(lookup_);
  const TOsVersionFacts& os = *g.Os;
  const bool nt = os.Platform == TOsVersionFacts::opWindowsNt;
  const auto memory = [&]() -> const TMemoryFacts& {
    if (!g.Memory) g.Memory = MemoryFacts(lookup_);
    return *g.Memory;
  };
  const auto disk = [&]() -> const std::optional<TDiskFacts>& {
    if (!g.Disk) g.Disk = DiskFacts(lookup_);
    return *g.Disk;
  };
  const auto network = [&]() -> const TNetworkTexts& {
    if (!g.Network) g.Network = NetworkTexts(AdapterFacts(lookup_));
    return *g.Network;
  };
  switch (item) {
    case siApplicationName:
      return ApplicationNameText(lookup_);
    case siApplicationVersion:
      return ApplicationVersionText();
    case siApplicationParameters:
      return ApplicationParametersText();
    case siCompilationDate:
      return CompilationDateText();
    case siUserId:
      return LoginNameText();
    case siUserName:
      return RegisteredOwnerText(nt && os.Major >= 6);
    case siUserCompany:
      return RegisteredCompanyText(nt && os.Major >= 6);
    case siUserPrivileges:
      return PrivilegesText();
    case siFormClass:
      return ForegroundClassText();
    case siFormText:
      return ForegroundText();
    case siComputerName:
      return ComputerNameText();
    case siTotalMemory:
      return MemoryText(memory().Total);
    case siFreeMemory:
      return MemoryText(memory().Available);
    case siTotalDisk:
      return disk() ? DiskText(disk()->Total, UserDecimalSeparator()) : std::string();
    case siFreeDisk:
      return disk() ? DiskText(disk()->FreeForUser, UserDecimalSeparator()) : std::string();
    case siSystemUpTime:
      return SystemUpTimeText();
    case siProcessor:
      return ProcessorValue();
    case siDisplayMode:
      return DisplayModeValue();
    case siDisplayDpi:
      return DisplayDpiValue();
    case siVideoCard:
      return VideoCardValue(lookup_, os);
    case siPrinter:
      return PrinterValue(lookup_, os);
    case siOsType:
      return OsTypeText(os);
    case siOsBuild:
      return OsBuildText(os);
    case siOsUpdate:
      return std::string(TrimBlanks(os.ServicePack));
    case siOsLanguage:
      return OsLanguageValue(nt);
    case siOsCharset:
      return OsCharsetValue();
    case siIpAddress:
      return network().Address;
    case siSubmask:
      return network().Mask;
    case siGateway:
      return network().Gateway;
    case siDns1:
      return network().Dns1;
    case siDns2:
      return network().Dns2;
    case siDhcp:
      return network().Dhcp;
    default:
      return {};
  }
}

double ProcessStartTime() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return LocalDateTimeOf(created);
}

double LocalTimeNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return LocalDateTimeOf(now);
}

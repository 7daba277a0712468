// The collectors of the computer: name, memory, disk, up time, processor and
// display.
#include <windows.h>

#include <algorithm>

#include "engine/ECoreOptions.h"
#include "report/EReportDates.h"
#include "report/ESysInfoWin32.h"

namespace {

constexpr const char* kProcessorKey = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr double kMillisecondsPerDay = 86400000.0;

// The screen's device capability.
int ScreenCapability(int index) {
  const HDC screen = GetDC(nullptr);
  if (!screen) return 0;
  const int value = GetDeviceCaps(screen, index);
  ReleaseDC(nullptr, screen);
  return value;
}

}  // namespace

std::string ComputerNameText() {
  char name[16] = {};
  DWORD length = sizeof name;
  if (!GetComputerNameA(name, &length)) return {};
  return std::string(name, length);
}

TMemoryFacts MemoryFacts(const TSystemFunctionLookup& lookup) {
  const auto statusEx =
      LookUp<decltype(&GlobalMemoryStatusEx)>(lookup, "kernel32.dll", "GlobalMemoryStatusEx");
  MEMORYSTATUSEX extended{};
  extended.dwLength = sizeof extended;
  // Some systems cap the total of a 32-bit process but not what is free:
  // nothing can be free beyond the total the report shows.
  if (statusEx && statusEx(&extended)) {
    return {extended.ullTotalPhys, std::min(extended.ullAvailPhys, extended.ullTotalPhys)};
  }
  MEMORYSTATUS basic{};
  basic.dwLength = sizeof basic;
  GlobalMemoryStatus(&basic);
  return {basic.dwTotalPhys, std::min(basic.dwAvailPhys, basic.dwTotalPhys)};
}

std::optional<TDiskFacts> DiskFacts(const TSystemFunctionLookup& lookup) {
  const auto freeSpace =
      LookUp<decltype(&GetDiskFreeSpaceExA)>(lookup, "kernel32.dll", "GetDiskFreeSpaceExA");
  const std::string module = SystemModuleFileName(CurrentModuleHandle());
  if (!freeSpace || module.size() < 3 || module[1] != ':') return std::nullopt;
  const std::string root = module.substr(0, 2) + "\\";
  ULARGE_INTEGER available{}, total{}, free{};
  if (!freeSpace(root.c_str(), &available, &total, &free)) return std::nullopt;
  return TDiskFacts{total.QuadPart, available.QuadPart};
}

char UserDecimalSeparator() {
  char separator[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) < 2)
    return '.';
  return separator[0];
}

std::string SystemUpTimeText() {
  // The 32-bit tick counter wraps after about 49.7 days.
  return DurationText(GetTickCount() / kMillisecondsPerDay);
}

std::string ProcessorValue() {
  return ProcessorText(MachineString(kProcessorKey, "ProcessorNameString"),
                       MachineString(kProcessorKey, "VendorIdentifier"),
                       MachineString(kProcessorKey, "Identifier"));
}

std::string DisplayModeValue() {
  return DisplayModeText(ScreenCapability(HORZRES), ScreenCapability(VERTRES),
                         ScreenCapability(BITSPIXEL));
}

std::string DisplayDpiValue() {
  return std::to_string(ScreenCapability(LOGPIXELSY));
}

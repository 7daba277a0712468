// The collectors of the video card and the default printer.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

#include "debuginfo/ESnapshotModuleFacts.h"
#include "report/ESysInfoWin32.h"

namespace {

constexpr const char* kEnumKey = "System\\CurrentControlSet\\Enum\\";
constexpr const char* kVideoKey = "System\\CurrentControlSet\\Control\\Video\\";
constexpr const char* kClassKey = "System\\CurrentControlSet\\Control\\Class\\";
constexpr const char* kVideoMapKey = "Hardware\\Devicemap\\Video";
constexpr const char* kDisplayClassKey = "System\\CurrentControlSet\\Services\\Class\\Display\\";
constexpr const char* kMemorySizeValue = "HardwareInformation.MemorySize";
constexpr int kPrinterNameLength = 1024;

struct TVideoFacts {
  std::string Adapter, DriverVersion;
  std::optional<std::uint32_t> Memory;
};

// The first video device's key as the device map names it, from its
// "\SYSTEM" part on (the part before names the registry root).
std::string VideoMapDeviceKey() {
  const std::string device = MachineString(kVideoMapKey, "\\Device\\Video0");
  std::string upper = device;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const auto system = upper.find("\\SYSTEM");
  return system == std::string::npos ? std::string() : device.substr(system);
}

// A found memory size: the value is there and is not 0.
std::optional<std::uint32_t> MemorySize(const std::string& key, const char* value) {
  const std::optional<std::uint32_t> size = MachineDword(key, value);
  return size && *size ? size : std::nullopt;
}

TVideoFacts DisplayDeviceFacts(decltype(&EnumDisplayDevicesA) enumerate, bool nt) {
  TVideoFacts facts;
  DISPLAY_DEVICEA device{};
  device.cb = sizeof device;
  if (!enumerate(nullptr, 0, &device, 0)) return facts;
  facts.Adapter = device.DeviceString;
  if (!nt) {
    const std::string key = device.DeviceKey;
    facts.DriverVersion = MachineString(key, "Ver");
    facts.Memory = MemorySize(key + "\\INFO", "VideoMemory");
    return facts;
  }
  std::string key = kEnumKey + std::string(device.DeviceID);
  key += "\\" + MachineSubkeyName(key, 0);
  const std::string videoId = MachineString(key + "\\Device Parameters", "VideoID");
  const std::string memoryKey =
      videoId.empty() ? VideoMapDeviceKey() : kVideoKey + videoId + "\\0000";
  facts.Memory = MemorySize(memoryKey, kMemorySizeValue);
  facts.DriverVersion = MachineString(kClassKey + MachineString(key, "Driver"), "DriverVersion");
  return facts;
}

// Windows NT 4.0: the device map's key and the driver file's product version.
TVideoFacts DeviceMapFacts() {
  TVideoFacts facts;
  const std::string key = VideoMapDeviceKey();
  facts.Memory = MemorySize(key, kMemorySizeValue);
  // Stored as a wide string: the zero bytes go.
  facts.Adapter = MachineBytes(key, "HardwareInformation.AdapterString");
  std::erase(facts.Adapter, '\0');
  const std::string parent = key.substr(0, key.find_last_of('\\'));
  facts.DriverVersion = ReadFileProductVersion(MachineString(parent, "ImagePath"));
  return facts;
}

// Windows 95: the last numbered display class key.
TVideoFacts DisplayClassFacts() {
  std::string last = "0000";
  for (unsigned i = 0;; ++i) {
    const std::string name = MachineSubkeyName(kDisplayClassKey, i);
    if (name.empty()) break;
    last = name;
  }
  const std::string key = kDisplayClassKey + last;
  return {MachineString(key, "DriverDesc"), MachineString(key, "Ver"),
          MemorySize(key + "\\INFO", "VideoMemory")};
}

std::string DefaultPrinterName(const TSystemFunctionLookup& lookup, const TOsVersionFacts& os) {
  char name[kPrinterNameLength] = {};
  const bool nt4 = os.Platform == TOsVersionFacts::opWindowsNt && os.Major < 5;
  if (os.Platform == TOsVersionFacts::opWindows9x || nt4) {
    GetProfileStringA("windows", "device", "", name, sizeof name - 1);
    std::string device = name;
    device = device.substr(0, device.find(','));
    return device.substr(std::min(device.size(), device.find_first_not_of(' ')));
  }
  const auto defaultPrinter =
      LookUp<decltype(&GetDefaultPrinterA)>(lookup, "winspool.drv", "GetDefaultPrinterA");
  DWORD length = sizeof name;
  if (!defaultPrinter || !defaultPrinter(name, &length)) return {};
  return name;
}

}  // namespace

std::string VideoCardValue(const TSystemFunctionLookup& lookup, const TOsVersionFacts& os) {
  const bool nt = os.Platform == TOsVersionFacts::opWindowsNt;
  const bool supported =
      (os.Platform == TOsVersionFacts::opWindows9x && os.Minor >= 10) || (nt && os.Major >= 5);
  const auto enumerate =
      LookUp<decltype(&EnumDisplayDevicesA)>(lookup, "user32.dll", "EnumDisplayDevicesA");
  TVideoFacts facts;
  if (enumerate && supported) {
    facts = DisplayDeviceFacts(enumerate, nt);
  } else if (nt) {
    facts = DeviceMapFacts();
  } else {
    facts = DisplayClassFacts();
  }
  return VideoCardText(facts.Adapter, facts.DriverVersion, facts.Memory);
}

std::string PrinterValue(const TSystemFunctionLookup& lookup, const TOsVersionFacts& os) {
  const TLibraryUse spooler("winspool.drv");
  const std::string name = DefaultPrinterName(lookup, os);
  const auto open = LookUp<decltype(&OpenPrinterA)>(lookup, "winspool.drv", "OpenPrinterA");
  const auto close = LookUp<decltype(&ClosePrinter)>(lookup, "winspool.drv", "ClosePrinter");
  const auto driver =
      LookUp<decltype(&GetPrinterDriverA)>(lookup, "winspool.drv", "GetPrinterDriverA");
  if (name.empty() || !open || !close || !driver) return {};
  HANDLE opened = nullptr;
  std::string printerName = name;
  if (!open(printerName.data(), &opened, nullptr)) return {};
  const std::unique_ptr<void, decltype(close)> printer(opened, close);
  DWORD needed = 0;
  driver(printer.get(), nullptr, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  if (needed < sizeof(DRIVER_INFO_2A) ||
      !driver(printer.get(), nullptr, 2, buffer.data(), needed, &needed))
    return {};
  const auto* info = reinterpret_cast<const DRIVER_INFO_2A*>(buffer.data());
  return PrinterText(info->pName ? info->pName : "",
                     info->pDriverPath ? ReadFileProductVersion(info->pDriverPath) : "");
}

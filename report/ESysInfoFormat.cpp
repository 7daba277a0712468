#include "report/ESysInfoFormat.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "platform/runtime/TextTrim.h"

namespace {

constexpr std::size_t kPrivilegeNameWidth = 31;
constexpr std::size_t kAddressColumn = 15;  // the width of a dotted address
constexpr std::string_view kColumnSeparator = " - ";

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

void AppendColumn(std::string& text, std::string_view value) {
  text += value;
  text += kColumnSeparator;
}

std::string WithoutLastSeparator(std::string text) {
  if (text.ends_with(kColumnSeparator)) text.resize(text.size() - kColumnSeparator.size());
  return text;
}

std::string Padded(std::string_view text, std::size_t width) {
  std::string padded(text);
  if (padded.size() < width) padded.resize(width, ' ');
  return padded;
}

std::string Number(std::uint32_t value) {
  return std::to_string(value);
}

}  // namespace

std::string ControlRunsAsSpaces(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) >= 32) {
      result += text[i];
      continue;
    }
    result += ' ';
    while (i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 32) ++i;
  }
  return result;
}

std::string WithoutNtPrefix(std::string_view path) {
  const auto question = path.find('?');
  if (question == std::string_view::npos) return std::string(path);
  const auto colon = path.find(':', question);
  if (colon == std::string_view::npos || colon == 0) return std::string(path);
  return std::string(path.substr(colon - 1));
}

std::string ParametersText(std::string_view commandLine) {
  std::string_view rest = TrimBlanks(commandLine);
  if (rest.starts_with('"')) {
    const auto closing = rest.find('"', 1);
    rest.remove_prefix(closing == std::string_view::npos ? rest.size() : closing + 1);
  } else {
    const auto blank = std::find_if(rest.begin(), rest.end(), IsBlank);
    rest.remove_prefix(static_cast<std::size_t>(blank - rest.begin()));
  }
  return std::string(TrimBlanks(rest));
}

std::string MemoryText(std::uint64_t bytes) {
  constexpr std::uint64_t kMegabyte = 1048576;
  std::uint64_t megabytes = bytes / kMegabyte;
  const std::uint64_t rest = bytes % kMegabyte;
  if (rest > kMegabyte / 2 || (rest == kMegabyte / 2 && megabytes % 2 == 1)) ++megabytes;
  return std::to_string(megabytes) + " Mb";
}

std::string DiskText(std::uint64_t bytes, char decimalSeparator) {
  const long long hundredths = std::llround(static_cast<double>(bytes) / 1073741824.0 * 100.0);
  std::string text = std::to_string(hundredths / 100);
  const int decimals = static_cast<int>(hundredths % 100);
  if (decimals != 0) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02d", decimals);
    std::string fraction = digits;
    if (fraction.back() == '0') fraction.pop_back();
    text += decimalSeparator + fraction;
  }
  return text + " Gb";
}

std::string ProcessorText(std::string_view name, std::string_view vendor,
                          std::string_view identifier) {
  name = TrimBlanks(name);
  vendor = TrimBlanks(vendor);
  identifier = TrimBlanks(identifier);
  if (!name.empty()) return std::string(name);
  if (vendor.empty()) return kUnknownProcessor;
  std::string text(vendor);
  if (!identifier.empty()) text += " - " + std::string(identifier);
  return text;
}

std::string DisplayModeText(int width, int height, int bitsPerPixel) {
  char text[64];
  std::snprintf(text, sizeof text, "%d x %d, %d bit", width, height, bitsPerPixel);
  return text;
}

std::string VideoCardText(std::string_view adapter, std::string_view driverVersion,
                          std::optional<std::uint32_t> memoryBytes) {
  std::string text = std::string(TrimBlanks(adapter)) + " (driver " + std::string(driverVersion);
  if (memoryBytes) return text + " - RAM " + Number(*memoryBytes >> 20) + " MB)";
  return text + ")";
}

std::string PrinterText(std::string_view driverName, std::string_view driverVersion) {
  std::string version(driverVersion);
  std::erase(version, ' ');
  return std::string(driverName) + " (driver " + version + ")";
}

std::string RegisteredText(std::string_view ntValue, std::string_view windowsValue,
                           std::string_view setupValue, bool ntSixOrLater) {
  std::string_view value = ntValue;
  if (value.empty()) value = windowsValue;
  if (value.empty()) value = setupValue;
  if (ntSixOrLater && value == "Microsoft") return {};
  return std::string(value);
}

std::string PrivilegeLine(std::string_view name, bool enabled) {
  return Padded(name, kPrivilegeNameWidth) + (enabled ? " - ON" : " - OFF") + "\r\n";
}

std::string OsTypeText(const TOsVersionFacts& facts) {
  const std::string dotted = Number(facts.Major) + "." + Number(facts.Minor);
  const std::string servicePack(TrimBlanks(facts.ServicePack));
  std::string name;
  if (facts.Platform == TOsVersionFacts::opWindows9x) {
    if (facts.Minor < 10) {
      name = servicePack == "B" ? "95 OSR 2" : "95";
    } else if (facts.Minor < 90) {
      name = servicePack == "A" ? "98 SE" : "98";
    } else if (facts.Minor == 90) {
      name = "ME";
    } else {
      name = dotted;
    }
  } else if (facts.Platform == TOsVersionFacts::opWindowsNt) {
    if (facts.Major == 4) {
      name = "NT 4.0";
    } else if (facts.Major == 5) {
      if (facts.Minor == 0) {
        name = "2000";
      } else if (facts.Minor == 1 || (facts.Minor == 2 && facts.Workstation)) {
        name = "XP";
      } else if (facts.Minor == 2) {
        name = "2003";
      } else {
        name = dotted;
      }
    } else if (facts.Major == 6 && facts.Minor == 0) {
      name = facts.Workstation ? "Vista" : "Server 2008";
    } else if (facts.Major == 6 && facts.Minor == 1) {
      name = facts.Workstation ? "7" : "Server 2008 R2";
    } else {
      name = dotted;
    }
    if (facts.Wow64) name += " (64 bit)";
  }
  return "Microsoft Windows " + name;
}

std::string OsBuildText(const TOsVersionFacts& facts) {
  return Number(facts.Platform == TOsVersionFacts::opWindows9x ? facts.Build & 0xFFFF
                                                               : facts.Build);
}

std::string DottedAddressText(std::string_view address) {
  address = TrimBlanks(address);
  if (address.empty()) return kNoAddress;
  std::string text;
  std::size_t start = 0;
  while (true) {
    const auto dot = address.find('.', start);
    const std::string_view part = address.substr(start, dot - start);
    if (part.size() < 3) text.append(3 - part.size(), '0');
    text += part;
    if (dot == std::string_view::npos) break;
    text += '.';
    start = dot + 1;
  }
  return text;
}

TNetworkTexts NetworkTexts(const std::vector<TAdapterFacts>& adapters) {
  TNetworkTexts texts;
  for (const TAdapterFacts& adapter : adapters) {
    AppendColumn(texts.Address, DottedAddressText(adapter.Address));
    AppendColumn(texts.Mask, DottedAddressText(adapter.Mask));
    AppendColumn(texts.Gateway, DottedAddressText(adapter.Gateway));
    AppendColumn(texts.Dhcp, Padded(adapter.Dhcp ? "ON" : "OFF", kAddressColumn));
    if (adapter.Dns == TAdapterFacts::dnsSkipped) continue;
    const auto& servers = adapter.DnsServers;
    const bool read = adapter.Dns == TAdapterFacts::dnsRead;
    AppendColumn(texts.Dns1, read && !servers.empty() ? DottedAddressText(servers[0]) : kNoAddress);
    AppendColumn(texts.Dns2,
                 read && servers.size() > 1 ? DottedAddressText(servers[1]) : kNoAddress);
  }
  for (std::string* text :
       {&texts.Address, &texts.Mask, &texts.Gateway, &texts.Dns1, &texts.Dns2, &texts.Dhcp})
    *text = WithoutLastSeparator(std::move(*text));
  return texts;
}

std::string FocusedControlText(std::string_view className, std::string_view text, bool unicode,
                               bool multiLine, bool password) {
  const std::string upper = UpperCase(TrimBlanks(className));
  const bool edit = upper.find("EDIT") != std::string::npos;
  if (unicode || text.empty()) return {};
  if ((edit || upper.find("MEMO") != std::string::npos) && multiLine) return {};
  if (edit && password) return std::string(text.size(), '*');
  return std::string(text);
}

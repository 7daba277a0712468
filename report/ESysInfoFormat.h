// How the collectors word what the system tells them: pure functions of the
// system's answers, so each rule is tested without the system.
// No windows.h; never raises.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Each run of characters below 32 made one space.
std::string ControlRunsAsSpaces(std::string_view text);

// A module's path as the report shows it: a "\??\"-style prefix dropped, so
// that the path starts at its drive ("\??\C:\x.dll" gives "C:\x.dll").
std::string WithoutNtPrefix(std::string_view path);

// The command line after the program: trimmed, the program's own word (in
// double quotes, or up to the first blank) taken off, the rest trimmed.
std::string ParametersText(std::string_view commandLine);

// "<n> Mb": bytes / 1048576 rounded to the nearest whole number, halves to
// even.
std::string MemoryText(std::uint64_t bytes);
// "<n> Gb": bytes / 1073741824 with at most two decimals (trailing zeros
// dropped), written with `decimalSeparator`.
std::string DiskText(std::uint64_t bytes, char decimalSeparator);

// ProcessorNameString; else VendorIdentifier with " - " Identifier when
// both are there; else "Unknown processor". Each value trimmed first.
inline constexpr const char* kUnknownProcessor = "Unknown processor";
std::string ProcessorText(std::string_view name, std::string_view vendor,
                          std::string_view identifier);

// "%d x %d, %d bit".
std::string DisplayModeText(int width, int height, int bitsPerPixel);

// "<adapter> (driver <version> - RAM <MB> MB)", or "...(driver <version>)"
// without a memory size.
std::string VideoCardText(std::string_view adapter, std::string_view driverVersion,
                          std::optional<std::uint32_t> memoryBytes);
// "<driver> (driver <version without spaces>)".
std::string PrinterText(std::string_view driverName, std::string_view driverVersion);

// The registered owner or organisation: the first non-empty of the three
// registry values; "Microsoft" means nothing on Windows NT 6.0 and later.
std::string RegisteredText(std::string_view ntValue, std::string_view windowsValue,
                           std::string_view setupValue, bool ntSixOrLater);

// One line of the privileges block: the name padded to 31 characters,
// " - ON" or " - OFF", CR LF.
std::string PrivilegeLine(std::string_view name, bool enabled);

// What the system says of its version.
struct TOsVersionFacts {
  enum TPlatform : std::uint8_t { opOther, opWindows9x, opWindowsNt } Platform = opOther;
  std::uint32_t Major = 0, Minor = 0, Build = 0;
  std::string ServicePack;   // szCSDVersion
  bool Workstation = false;  // the extended facts say: a workstation product
  bool Wow64 = false;        // a 32-bit process on a 64-bit Windows
};
// "Microsoft Windows " and the version's name ("XP", "7", "Server 2008",
// "10.0", ...), " (64 bit)" under 64-bit Windows.
std::string OsTypeText(const TOsVersionFacts& facts);
// The build number (on the 9x platform its low 16 bits).
std::string OsBuildText(const TOsVersionFacts& facts);

// An IPv4 address with each part padded with zeros to three digits;
// "000.000.000.000" for an empty one.
inline constexpr const char* kNoAddress = "000.000.000.000";
std::string DottedAddressText(std::string_view address);

// What the adapter list and the per-adapter information say of one adapter.
struct TAdapterFacts {
  std::string Address, Mask, Gateway;
  bool Dhcp = false;
  enum TDnsState : std::uint8_t {
    dnsSkipped,  // the per-adapter information could not be asked for
    dnsFailed,   // asked, but reading it failed
    dnsRead,
  } Dns = dnsSkipped;
  std::vector<std::string> DnsServers;  // in order, when read
};
// The six network items, one column of 15 characters per adapter, " - "
// between the columns: IP address, submask, gateway, DNS 1, DNS 2, DHCP.
struct TNetworkTexts {
  std::string Address, Mask, Gateway, Dns1, Dns2, Dhcp;
};
TNetworkTexts NetworkTexts(const std::vector<TAdapterFacts>& adapters);

// The rules of the focused window's text: empty for a Unicode window, for a
// multi-line edit or memo (class name holding "EDIT" or "MEMO"); a password
// edit's text as "*" per character.
std::string FocusedControlText(std::string_view className, std::string_view text, bool unicode,
                               bool multiLine, bool password);

// The ELDATA block: the container of a module's engine data, written by the
// build tool (tools/eldata_tool) and read at registration. Two carriers hold
// the same information:
//
//   resource carrier (RT_RCDATA "ELDATA"), all integers little-endian:
//     magic u32, FormatVersion u16, BuildStamp f64,
//     [from 6000] HeaderLeakFlags u8, HeaderUseMainOptions u8,
//     [from 500]  N u32, SymbolTable (N bytes), L u32, options (zlib, L bytes),
//                 PasswordProbe (4 bytes), debug (zlib: n i32, n bytes)
//     [450..499]  one zlib stream: option stream, n i32, n bytes
//     [below 450] the same content uncompressed
//   appended carrier (at the end of the module file):
//     FormatVersion u16, BuildStamp f64, option stream, n i32, n bytes,
//     then B u32 (the length of all that) and magic u32.
//
// Pure: the readers take the block's bytes, the writers give them; opening
// the module's resource or file is ECoreModules' business. The readers never
// raise: any fault makes the block "not loaded".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/ECoreOptions.h"

inline constexpr std::uint32_t kEldataMagic = 0x100FAB10u;
inline constexpr std::uint32_t kEldataMagicAlternative = 0x000FAB10u;
inline constexpr bool IsEldataMagic(std::uint32_t value) {
  return value == kEldataMagic || value == kEldataMagicAlternative;
}
inline constexpr char kEldataResourceName[] = "ELDATA";
inline constexpr std::uint16_t kEldataResourceType = 10;  // RT_RCDATA
// The appended carrier's trailer: block length and magic.
inline constexpr std::size_t kAppendedTrailerSize = 8;
// An inflated stream larger than this is taken as corrupt.
inline constexpr std::size_t kMaximumInflatedSize = 64u << 20;

#pragma pack(push, 1)
struct TEldataHeader {
  std::uint32_t Magic;
  std::uint16_t FormatVersion;
  double BuildStamp;  // days since 30 December 1899, UTC
  // Present from FormatVersion 6000 (the header is 14 bytes before that).
  std::uint8_t HeaderLeakFlags;
  std::uint8_t HeaderUseMainOptions;
};
static_assert(sizeof(TEldataHeader) == 16);
static_assert(offsetof(TEldataHeader, FormatVersion) == 4);
static_assert(offsetof(TEldataHeader, BuildStamp) == 6);
static_assert(offsetof(TEldataHeader, HeaderLeakFlags) == 14);
static_assert(offsetof(TEldataHeader, HeaderUseMainOptions) == 15);

// The routine lies at module base + 4096 + Offset.
struct TSymbolTableEntry {
  std::uint8_t SymbolID;
  std::uint32_t Offset;
  std::uint32_t Size;
};
static_assert(sizeof(TSymbolTableEntry) == 9);
static_assert(offsetof(TSymbolTableEntry, Offset) == 1);
static_assert(offsetof(TSymbolTableEntry, Size) == 5);
#pragma pack(pop)

inline constexpr std::uint32_t kSymbolCodeStart = 4096;
inline bool operator==(const TSymbolTableEntry& a, const TSymbolTableEntry& b) {
  return a.SymbolID == b.SymbolID && a.Offset == b.Offset && a.Size == b.Size;
}

// A stored FormatVersion of 600 to 602 reads as value mod 600 + 6000.
int NormaliseFormatVersion(int stored);

// The first entry with `symbolId`, or none.
std::optional<TSymbolTableEntry> FindSymbolEntry(std::span<const TSymbolTableEntry> table,
                                                 std::uint8_t symbolId);

// The resource carrier's header fields, when the block starts with a magic
// value (FormatVersion normalised, not checked against kEngineDataVersion).
struct TEldataHeaderInfo {
  std::uint32_t Magic = 0;
  int FormatVersion = 0;
  double BuildStamp = 0;
  bool HasHeaderFlags = false;  // FormatVersion >= 6000
  std::uint8_t HeaderLeakFlags = 0;
  bool HeaderUseMainOptions = false;
};
std::optional<TEldataHeaderInfo> PeekEldataHeader(std::span<const std::uint8_t> block);
// The appended carrier's block length from the file's last 8 bytes, when
// they end with a magic value.
std::optional<std::uint32_t> AppendedBlockLength(std::span<const std::uint8_t> trailer);

// What a block gives besides the options.
struct TEldataContent {
  int FormatVersion = kEngineDataVersion;
  double BuildStamp = 0;
  std::vector<TSymbolTableEntry> SymbolTable;
  std::string DebugPassword;  // the password the probe was checked with
  bool PasswordValid = true;
  std::optional<std::vector<std::uint8_t>> DebugInfo;  // none under light registration
};

struct TEldataReadSettings {
  // Options only: no password step and no debug information.
  bool LightRegistration = false;
  // Supplies the debug password: attempt 0 asks the module itself; attempt 1
  // (only when the probe failed and RetryPassword is set) asks through the
  // current module. No function, or none returned, means the empty password.
  std::function<std::optional<std::string>(int attempt)> ObtainPassword;
  bool RetryPassword = false;
};

// Read a carrier into `options` and `content`. False means "not loaded": a
// wrong magic, a FormatVersion above kEngineDataVersion (resource carrier),
// an empty or corrupt compressed stream, or data that ends early; `options`
// may then hold part of the stream and the caller falls back to defaults.
bool ReadEldataResource(std::span<const std::uint8_t> block, TDovaroModuleOptions& options,
                        TEldataContent& content, const TEldataReadSettings& settings = {});
// `block` is the B bytes before the trailer.
bool ReadEldataAppended(std::span<const std::uint8_t> block, TDovaroModuleOptions& options,
                        TEldataContent& content, const TEldataReadSettings& settings = {});

// The deciphered probe check: true when `probe` deciphers with `password` to
// a magic value.
bool PasswordMatchesProbe(std::span<const std::uint8_t> probe, std::string_view password);

// Everything the writers put into a block. The resource writer writes the
// layout of versions from 500 on (header flags from 6000).
struct TEldataBlockInput {
  std::uint32_t Magic = kEldataMagic;
  std::uint16_t FormatVersion = kEngineDataVersion;
  double BuildStamp = 0;
  std::uint8_t HeaderLeakFlags = 0;
  bool HeaderUseMainOptions = false;
  std::vector<TSymbolTableEntry> SymbolTable;
  std::vector<std::uint8_t> OptionStream;
  std::string DebugPassword;
  std::vector<std::uint8_t> DebugInfo;  // the n bytes of debug information
};
// The option stream of `options` and the header copies of its LeakFlags and
// UseMainModuleOptions.
TEldataBlockInput EldataInputFor(const TDovaroModuleOptions& options);
std::vector<std::uint8_t> WriteEldataResourceBlock(const TEldataBlockInput& input);
// The block, its length and the magic, ready to append to a module file.
std::vector<std::uint8_t> WriteEldataAppendedBlock(const TEldataBlockInput& input);

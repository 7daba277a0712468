#include "engine/ECoreEldata.h"

#include <cstring>

#include "engine/ECoreOptionStream.h"
#include "report/EEncrypt.h"
#include "report/EZlib.h"

namespace {

std::uint32_t ReadLittleEndian32(std::span<const std::uint8_t> bytes) {
  TByteReader reader(bytes);
  return reader.ReadU32();
}

std::vector<TSymbolTableEntry> ParseSymbolTable(std::span<const std::uint8_t> bytes) {
  std::vector<TSymbolTableEntry> table;
  TByteReader reader(bytes);
  while (reader.Remaining() >= sizeof(TSymbolTableEntry)) {
    TSymbolTableEntry entry;
    entry.SymbolID = reader.ReadU8();
    entry.Offset = reader.ReadU32();
    entry.Size = reader.ReadU32();
    table.push_back(entry);
  }
  return table;
}

// The 32-bit debug length n, then n bytes (none when n <= 0).
std::vector<std::uint8_t> ReadDebugInfo(TByteReader& reader) {
  const std::int32_t length = reader.ReadI32();
  if (length <= 0) return {};
  const auto bytes = reader.ReadBytes(static_cast<std::size_t>(length));
  return {bytes.begin(), bytes.end()};
}

std::optional<std::vector<std::uint8_t>> InflateNonEmpty(std::span<const std::uint8_t> bytes) {
  auto plain = InflateZlib(bytes, kMaximumInflatedSize);
  if (!plain || plain->empty()) return std::nullopt;
  return plain;
}

void RunPasswordStep(std::span<const std::uint8_t> probe, TEldataContent& content,
                     const TEldataReadSettings& settings) {
  const auto obtain = [&](int attempt) -> std::optional<std::string> {
    return settings.ObtainPassword ? settings.ObtainPassword(attempt) : std::nullopt;
  };
  content.DebugPassword = obtain(0).value_or("");
  content.PasswordValid = PasswordMatchesProbe(probe, content.DebugPassword);
  if (content.PasswordValid || !settings.RetryPassword) return;
  if (auto second = obtain(1)) {
    content.PasswordValid = PasswordMatchesProbe(probe, *second);
    if (content.PasswordValid) content.DebugPassword = *second;
  }
}

bool ReadResource(std::span<const std::uint8_t> block, TDovaroModuleOptions& options,
                  TEldataContent& content, const TEldataReadSettings& settings) {
  TByteReader reader(block);
  if (!IsEldataMagic(reader.ReadU32())) return false;
  const int version = NormaliseFormatVersion(reader.ReadU16());
  if (version > kEngineDataVersion) return false;
  content.FormatVersion = version;
  content.BuildStamp = reader.ReadDouble();
  if (version >= 6000) reader.Skip(2);  // the header copies of the leak settings
  const bool light = settings.LightRegistration;

  if (version < 500) {
    // One content stream: the options, then the debug information. Old
    // blocks carry no password probe (their names use a fixed XOR key).
    std::vector<std::uint8_t> inflated;
    std::span<const std::uint8_t> data = reader.Rest();
    if (version >= 450) {
      auto plain = InflateNonEmpty(data);
      if (!plain) return false;
      inflated = std::move(*plain);
      data = inflated;
    }
    TByteReader contentReader(data);
    options.LoadFromStream(contentReader, version);
    if (!light) content.DebugInfo = ReadDebugInfo(contentReader);
    return true;
  }

  content.SymbolTable = ParseSymbolTable(reader.ReadBytes(reader.ReadU32()));
  const auto optionBytes = InflateNonEmpty(reader.ReadBytes(reader.ReadU32()));
  if (!optionBytes) return false;
  TByteReader optionReader(*optionBytes);
  options.LoadFromStream(optionReader, version);
  if (light) return true;

  RunPasswordStep(reader.ReadBytes(4), content, settings);
  const auto debug = InflateNonEmpty(reader.Rest());
  if (!debug) return false;
  TByteReader debugReader(*debug);
  content.DebugInfo = ReadDebugInfo(debugReader);
  return true;
}

bool ReadAppended(std::span<const std::uint8_t> block, TDovaroModuleOptions& options,
                  TEldataContent& content, const TEldataReadSettings& settings) {
  TByteReader reader(block);
  content.FormatVersion = reader.ReadU16();
  content.BuildStamp = reader.ReadDouble();
  options.LoadFromStream(reader, content.FormatVersion);
  if (!settings.LightRegistration) content.DebugInfo = ReadDebugInfo(reader);
  return true;
}

template <class Reader>
bool ReadGuarded(Reader read, std::span<const std::uint8_t> block, TDovaroModuleOptions& options,
                 TEldataContent& content, const TEldataReadSettings& settings) {
  try {
    return read(block, options, content, settings);
  } catch (...) {
    return false;  // whatever went wrong, the module has no usable engine data
  }
}

void WriteHeader(TByteWriter& writer, const TEldataBlockInput& input) {
  writer.WriteU32(input.Magic);
  writer.WriteU16(input.FormatVersion);
  writer.WriteDouble(input.BuildStamp);
}

std::vector<std::uint8_t> DebugStreamContent(const std::vector<std::uint8_t>& debugInfo) {
  TByteWriter writer;
  writer.WriteU32(static_cast<std::uint32_t>(debugInfo.size()));
  writer.WriteBytes(debugInfo);
  return writer.Take();
}

}  // namespace

int NormaliseFormatVersion(int stored) {
  return stored >= 600 && stored <= 602 ? stored % 600 + 6000 : stored;
}

std::optional<TSymbolTableEntry> FindSymbolEntry(std::span<const TSymbolTableEntry> table,
                                                 std::uint8_t symbolId) {
  for (const TSymbolTableEntry& entry : table)
    if (entry.SymbolID == symbolId) return entry;
  return std::nullopt;
}

std::optional<TEldataHeaderInfo> PeekEldataHeader(std::span<const std::uint8_t> block) {
  try {
    TByteReader reader(block);
    TEldataHeaderInfo info;
    info.Magic = reader.ReadU32();
    if (!IsEldataMagic(info.Magic)) return std::nullopt;
    info.FormatVersion = NormaliseFormatVersion(reader.ReadU16());
    info.BuildStamp = reader.ReadDouble();
    if (info.FormatVersion >= 6000) {
      info.HeaderLeakFlags = reader.ReadU8();
      info.HeaderUseMainOptions = reader.ReadU8() != 0;
      info.HasHeaderFlags = true;
    }
    return info;
  } catch (...) {
    return std::nullopt;
  }
}

std::optional<std::uint32_t> AppendedBlockLength(std::span<const std::uint8_t> trailer) {
  if (trailer.size() != kAppendedTrailerSize) return std::nullopt;
  if (!IsEldataMagic(ReadLittleEndian32(trailer.subspan(4)))) return std::nullopt;
  return ReadLittleEndian32(trailer.first(4));
}

bool ReadEldataResource(std::span<const std::uint8_t> block, TDovaroModuleOptions& options,
                        TEldataContent& content, const TEldataReadSettings& settings) {
  return ReadGuarded(ReadResource, block, options, content, settings);
}

bool ReadEldataAppended(std::span<const std::uint8_t> block, TDovaroModuleOptions& options,
                        TEldataContent& content, const TEldataReadSettings& settings) {
  return ReadGuarded(ReadAppended, block, options, content, settings);
}

bool PasswordMatchesProbe(std::span<const std::uint8_t> probe, std::string_view password) {
  if (probe.size() != 4) return false;
  TBlockCipher cipher;
  cipher.SetKey(password);
  std::uint8_t plain[4];
  cipher.DecryptBuffer(probe.data(), plain, sizeof plain);
  return IsEldataMagic(ReadLittleEndian32(plain));
}

TEldataBlockInput EldataInputFor(const TDovaroModuleOptions& options) {
  TEldataBlockInput input;
  input.OptionStream = SaveOptionsToBytes(options);
  input.HeaderLeakFlags = options.LeakFlags();
  input.HeaderUseMainOptions = (options.BehaviourFlags() & UseMainModuleOptions) != 0;
  return input;
}

std::vector<std::uint8_t> WriteEldataResourceBlock(const TEldataBlockInput& input) {
  TByteWriter writer;
  WriteHeader(writer, input);
  if (NormaliseFormatVersion(input.FormatVersion) >= 6000) {
    writer.WriteU8(input.HeaderLeakFlags);
    writer.WriteU8(input.HeaderUseMainOptions ? 1 : 0);
  }
  writer.WriteU32(static_cast<std::uint32_t>(input.SymbolTable.size() * sizeof(TSymbolTableEntry)));
  for (const TSymbolTableEntry& entry : input.SymbolTable) {
    writer.WriteU8(entry.SymbolID);
    writer.WriteU32(entry.Offset);
    writer.WriteU32(entry.Size);
  }
  const auto options = DeflateZlib(input.OptionStream);
  writer.WriteU32(static_cast<std::uint32_t>(options.size()));
  writer.WriteBytes(options);
  TBlockCipher cipher;
  cipher.SetKey(input.DebugPassword);
  std::uint8_t probe[4];
  std::memcpy(probe, &input.Magic, sizeof probe);  // x86: little-endian in memory
  cipher.EncryptBuffer(probe, probe, sizeof probe);
  writer.WriteBytes(probe);
  writer.WriteBytes(DeflateZlib(DebugStreamContent(input.DebugInfo)));
  return writer.Take();
}

std::vector<std::uint8_t> WriteEldataAppendedBlock(const TEldataBlockInput& input) {
  TByteWriter writer;
  writer.WriteU16(input.FormatVersion);
  writer.WriteDouble(input.BuildStamp);
  writer.WriteBytes(input.OptionStream);
  writer.WriteBytes(DebugStreamContent(input.DebugInfo));
  const auto blockLength = static_cast<std::uint32_t>(writer.Bytes().size());
  writer.WriteU32(blockLength);
  writer.WriteU32(input.Magic);
  return writer.Take();
}

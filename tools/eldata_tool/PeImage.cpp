#include "tools/eldata_tool/PeImage.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <type_traits>

#include "platform/memory/PeLayout.h"

namespace {

constexpr std::size_t kSectionHeaderSize = sizeof(TPeSectionHeader);
constexpr std::size_t kCoffSymbolSize = 18;
constexpr std::uint32_t kResourceSectionCharacteristics = 0x40000040;  // initialised data, readable
constexpr std::uint32_t kHighBit = 0x80000000u;

std::uint32_t AlignUp(std::uint64_t value, std::uint32_t alignment) {
  if (alignment == 0) return static_cast<std::uint32_t>(value);
  return static_cast<std::uint32_t>((value + alignment - 1) / alignment * alignment);
}

// Bounds-checked little-endian reads inside a resource directory.
class TDirectoryReader {
 public:
  explicit TDirectoryReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint32_t U32(std::size_t at) const { return U16(at) | std::uint32_t{U16(at + 2)} << 16; }
  std::uint16_t U16(std::size_t at) const {
    if (at + 2 > bytes_.size()) throw TPeError("the resource directory is damaged");
    return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

TResourceKey ReadKey(const TDirectoryReader& reader, std::uint32_t field) {
  if (!(field & kHighBit)) return static_cast<std::uint16_t>(field);
  const std::size_t at = field & ~kHighBit;
  std::u16string name(reader.U16(at), u'\0');
  for (std::size_t i = 0; i < name.size(); ++i) name[i] = reader.U16(at + 2 + 2 * i);
  return name;
}

// Named entries first (in name order), then numbered ones (ascending).
struct TKeyOrder {
  bool operator()(const TResourceKey& a, const TResourceKey& b) const {
    if (a.index() != b.index()) return a.index() == 1;
    return a < b;
  }
};

using TLanguages = std::map<std::uint16_t, const TResourceEntry*>;
using TNames = std::map<TResourceKey, TLanguages, TKeyOrder>;
using TTypes = std::map<TResourceKey, TNames, TKeyOrder>;

class TSectionWriter {
 public:
  void U32(std::size_t at, std::uint32_t value) {
    U16(at, static_cast<std::uint16_t>(value));
    U16(at + 2, static_cast<std::uint16_t>(value >> 16));
  }
  void U16(std::size_t at, std::uint16_t value) {
    Reserve(at + 2);
    bytes_[at] = static_cast<std::uint8_t>(value);
    bytes_[at + 1] = static_cast<std::uint8_t>(value >> 8);
  }
  void Bytes(std::size_t at, std::span<const std::uint8_t> data) {
    Reserve(at + data.size());
    std::copy(data.begin(), data.end(), bytes_.begin() + at);
  }
  void Reserve(std::size_t size) {
    if (bytes_.size() < size) bytes_.resize(size);
  }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

template <class Entries>
void WriteDirectoryHeader(TSectionWriter& out, std::size_t at, const Entries& entries) {
  std::uint16_t named = 0;
  if constexpr (std::is_same_v<typename Entries::key_type, TResourceKey>)
    for (const auto& [key, value] : entries) named += key.index() == 1;
  out.U32(at, 0);      // characteristics
  out.U32(at + 4, 0);  // time stamp
  out.U32(at + 8, 0);  // version
  out.U16(at + 12, named);
  out.U16(at + 14, static_cast<std::uint16_t>(entries.size() - named));
}

// The resource section for `resources` when it lies at `sectionRva`.
std::vector<std::uint8_t> BuildResourceSection(const std::vector<TResourceEntry>& resources,
                                               std::uint32_t sectionRva) {
  TTypes tree;
  for (const TResourceEntry& entry : resources)
    tree[entry.Type][entry.Name][entry.Language] = &entry;

  // Directories first, then data entries, name strings and the data itself.
  std::size_t next = 16 + 8 * tree.size();
  std::map<const TNames*, std::size_t> typeDirectories;
  std::map<const TLanguages*, std::size_t> nameDirectories;
  for (const auto& [type, names] : tree) {
    typeDirectories[&names] = next;
    next += 16 + 8 * names.size();
  }
  for (const auto& [type, names] : tree)
    for (const auto& [name, languages] : names) {
      nameDirectories[&languages] = next;
      next += 16 + 8 * languages.size();
    }
  std::size_t dataEntries = next;
  next += 16 * resources.size();
  std::map<std::u16string, std::size_t> strings;
  for (const TResourceEntry& entry : resources)
    for (const TResourceKey* key : {&entry.Type, &entry.Name})
      if (const auto* name = std::get_if<std::u16string>(key); name && !strings.count(*name)) {
        strings[*name] = next;
        next += 2 + 2 * name->size();
      }

  TSectionWriter out;
  const auto keyField = [&](const TResourceKey& key) -> std::uint32_t {
    if (const auto* name = std::get_if<std::u16string>(&key))
      return kHighBit | static_cast<std::uint32_t>(strings.at(*name));
    return std::get<std::uint16_t>(key);
  };
  for (const auto& [name, at] : strings) {
    out.U16(at, static_cast<std::uint16_t>(name.size()));
    for (std::size_t i = 0; i < name.size(); ++i) out.U16(at + 2 + 2 * i, name[i]);
  }
  next = AlignUp(next, 8);
  // A directory entry that points at a subdirectory, and that subdirectory's header.
  const auto linkSubdirectory = [&](std::size_t& entryAt, const TResourceKey& key,
                                    std::size_t directoryAt, const auto& children) {
    out.U32(entryAt, keyField(key));
    out.U32(entryAt + 4, kHighBit | static_cast<std::uint32_t>(directoryAt));
    entryAt += 8;
    WriteDirectoryHeader(out, directoryAt, children);
  };
  WriteDirectoryHeader(out, 0, tree);
  std::size_t rootEntry = 16;
  for (const auto& [type, names] : tree) {
    const std::size_t typeAt = typeDirectories.at(&names);
    linkSubdirectory(rootEntry, type, typeAt, names);
    std::size_t typeEntry = typeAt + 16;
    for (const auto& [name, languages] : names) {
      const std::size_t nameAt = nameDirectories.at(&languages);
      linkSubdirectory(typeEntry, name, nameAt, languages);
      std::size_t languageEntry = nameAt + 16;
      for (const auto& [language, entry] : languages) {
        out.U32(languageEntry, language);
        out.U32(languageEntry + 4, static_cast<std::uint32_t>(dataEntries));
        languageEntry += 8;
        out.U32(dataEntries, sectionRva + static_cast<std::uint32_t>(next));
        out.U32(dataEntries + 4, static_cast<std::uint32_t>(entry->Data.size()));
        out.U32(dataEntries + 8, entry->CodePage);
        out.U32(dataEntries + 12, 0);
        dataEntries += 16;
        out.Bytes(next, entry->Data);
        next = AlignUp(next + entry->Data.size(), 8);
      }
    }
  }
  out.Reserve(next);
  return out.Take();
}

}  // namespace

TPeImage::TPeImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
  if (bytes_.size() < kDosHeaderSize || U16(0) != kDosSignature)
    throw TPeError("not a Windows module (no MZ header)");
  const std::size_t headers = U32(kNewHeaderOffsetField);
  coffHeader_ = headers + offsetof(TPeHeaders32, FileHeader);
  if (U32(headers) != kPeSignature) throw TPeError("not a Windows module (no PE header)");
  optionalHeader_ = headers + offsetof(TPeHeaders32, OptionalHeader);
  if (U16(optionalHeader_) != kOptionalHeader32Magic) throw TPeError("not a 32-bit module");
  if (SectionTable() + kSectionHeaderSize * NumberOfSections() > bytes_.size())
    throw TPeError("the section table lies outside the file");
}

std::uint32_t TPeImage::U32(std::size_t at) const {
  if (at + 4 > bytes_.size()) throw TPeError("the module is truncated");
  std::uint32_t value;
  std::memcpy(&value, bytes_.data() + at, 4);
  return value;
}

std::uint16_t TPeImage::U16(std::size_t at) const {
  if (at + 2 > bytes_.size()) throw TPeError("the module is truncated");
  return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
}

void TPeImage::PutU32(std::size_t at, std::uint32_t value) {
  U32(at);  // bounds check
  std::memcpy(bytes_.data() + at, &value, 4);
}

void TPeImage::PutU16(std::size_t at, std::uint16_t value) {
  U16(at);
  bytes_[at] = static_cast<std::uint8_t>(value);
  bytes_[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::size_t TPeImage::SectionTable() const {
  return optionalHeader_ + U16(coffHeader_ + offsetof(TPeFileHeader, SizeOfOptionalHeader));
}

std::vector<TPeSection> TPeImage::Sections() const {
  std::vector<TPeSection> sections;
  for (std::size_t i = 0; i < NumberOfSections(); ++i) {
    const std::size_t at = SectionTable() + kSectionHeaderSize * i;
    TPeSection section;
    const char* name = reinterpret_cast<const char*>(bytes_.data() + at);
    section.Name.assign(name, strnlen(name, 8));
    section.VirtualSize = U32(at + offsetof(TPeSectionHeader, VirtualSize));
    section.VirtualAddress = U32(at + offsetof(TPeSectionHeader, VirtualAddress));
    section.SizeOfRawData = U32(at + offsetof(TPeSectionHeader, SizeOfRawData));
    section.PointerToRawData = U32(at + offsetof(TPeSectionHeader, PointerToRawData));
    section.Characteristics = U32(at + offsetof(TPeSectionHeader, Characteristics));
    sections.push_back(section);
  }
  return sections;
}

std::uint32_t TPeImage::ImageBase() const {
  return U32(optionalHeader_ + offsetof(TPeOptionalHeader32, ImageBase));
}

std::uint32_t TPeImage::SizeOfImage() const {
  return U32(optionalHeader_ + offsetof(TPeOptionalHeader32, SizeOfImage));
}

std::uint32_t TPeImage::StoredChecksum() const {
  return U32(optionalHeader_ + offsetof(TPeOptionalHeader32, CheckSum));
}

std::pair<std::uint32_t, std::uint32_t> TPeImage::DataDirectory(int index) const {
  if (static_cast<std::uint32_t>(index) >=
      U32(optionalHeader_ + offsetof(TPeOptionalHeader32, NumberOfRvaAndSizes)))
    return {0, 0};
  const std::size_t at = optionalHeader_ + offsetof(TPeOptionalHeader32, DataDirectory) +
                         sizeof(TPeDataDirectory) * static_cast<std::size_t>(index);
  return {U32(at), U32(at + 4)};
}

std::optional<std::span<const std::uint8_t>> TPeImage::RvaBytes(std::uint32_t rva,
                                                                std::uint32_t size) const {
  for (const TPeSection& section : Sections()) {
    if (rva < section.VirtualAddress) continue;
    const std::uint64_t offset = rva - section.VirtualAddress;
    if (offset + size > section.SizeOfRawData) continue;
    const std::uint64_t start = section.PointerToRawData + offset;
    if (start + size > bytes_.size()) return std::nullopt;
    return std::span<const std::uint8_t>(bytes_.data() + start, size);
  }
  return std::nullopt;
}

std::vector<TCoffSymbol> TPeImage::CoffSymbols() const {
  const std::size_t table = U32(coffHeader_ + offsetof(TPeFileHeader, PointerToSymbolTable));
  const std::size_t count = U32(coffHeader_ + offsetof(TPeFileHeader, NumberOfSymbols));
  if (table == 0 || count == 0) return {};
  const std::size_t strings = table + kCoffSymbolSize * count;
  if (strings + 4 > bytes_.size()) throw TPeError("the symbol table lies outside the file");
  const auto sections = Sections();
  std::vector<TCoffSymbol> symbols;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = table + kCoffSymbolSize * i;
    const auto sectionNumber = static_cast<std::int16_t>(U16(at + 12));
    if (sectionNumber >= 1 && static_cast<std::size_t>(sectionNumber) <= sections.size()) {
      TCoffSymbol symbol;
      if (U32(at) == 0) {
        const std::size_t nameAt = strings + U32(at + 4);
        if (nameAt >= bytes_.size()) throw TPeError("a symbol name lies outside the file");
        const char* name = reinterpret_cast<const char*>(bytes_.data() + nameAt);
        symbol.Name.assign(name, strnlen(name, bytes_.size() - nameAt));
      } else {
        const char* name = reinterpret_cast<const char*>(bytes_.data() + at);
        symbol.Name.assign(name, strnlen(name, 8));
      }
      const TPeSection& section = sections[sectionNumber - 1];
      symbol.Rva = section.VirtualAddress + U32(at + 8);
      // Provisional size: to the section's end, narrowed below.
      symbol.Size = section.VirtualAddress + section.VirtualSize -
                    std::min(symbol.Rva, section.VirtualAddress + section.VirtualSize);
      symbols.push_back(symbol);
    }
    i += bytes_.at(at + 17);  // auxiliary records
  }
  std::set<std::uint32_t> starts;
  for (const TCoffSymbol& symbol : symbols) starts.insert(symbol.Rva);
  for (TCoffSymbol& symbol : symbols) {
    const auto next = starts.upper_bound(symbol.Rva);
    if (next != starts.end() && *next - symbol.Rva < symbol.Size) symbol.Size = *next - symbol.Rva;
  }
  return symbols;
}

std::vector<TResourceEntry> TPeImage::Resources() const {
  const auto [rva, size] = DataDirectory(kResourceDirectory);
  if (rva == 0 || size == 0) return {};
  std::optional<std::span<const std::uint8_t>> directory;
  for (const TPeSection& section : Sections())
    if (rva >= section.VirtualAddress && rva - section.VirtualAddress < section.SizeOfRawData)
      directory = RvaBytes(rva, section.SizeOfRawData - (rva - section.VirtualAddress));
  if (!directory) throw TPeError("the resource directory lies outside the file");
  const TDirectoryReader reader(*directory);
  const auto entries = [&](std::size_t at) {
    return static_cast<std::size_t>(reader.U16(at + 12)) + reader.U16(at + 14);
  };
  const auto subdirectory = [&](std::uint32_t field) {
    if (!(field & kHighBit)) throw TPeError("the resource directory is damaged");
    return static_cast<std::size_t>(field & ~kHighBit);
  };
  std::vector<TResourceEntry> resources;
  for (std::size_t t = 0; t < entries(0); ++t) {
    const std::size_t typeEntry = 16 + 8 * t;
    const std::size_t typeAt = subdirectory(reader.U32(typeEntry + 4));
    for (std::size_t n = 0; n < entries(typeAt); ++n) {
      const std::size_t nameEntry = typeAt + 16 + 8 * n;
      const std::size_t nameAt = subdirectory(reader.U32(nameEntry + 4));
      for (std::size_t l = 0; l < entries(nameAt); ++l) {
        const std::size_t languageEntry = nameAt + 16 + 8 * l;
        const std::uint32_t dataAt = reader.U32(languageEntry + 4);
        if (dataAt & kHighBit) throw TPeError("the resource directory is damaged");
        TResourceEntry entry;
        entry.Type = ReadKey(reader, reader.U32(typeEntry));
        entry.Name = ReadKey(reader, reader.U32(nameEntry));
        entry.Language = static_cast<std::uint16_t>(reader.U32(languageEntry));
        entry.CodePage = reader.U32(dataAt + 8);
        const auto data = RvaBytes(reader.U32(dataAt), reader.U32(dataAt + 4));
        if (!data) throw TPeError("resource data lies outside the file");
        entry.Data.assign(data->begin(), data->end());
        resources.push_back(std::move(entry));
      }
    }
  }
  return resources;
}

void TPeImage::SetResources(const std::vector<TResourceEntry>& resources) {
  if (DataDirectory(kSecurityDirectory).first != 0)
    throw TPeError("the module is signed: sign it after the ELDATA block is embedded");
  const auto sections = Sections();
  const std::uint32_t sectionAlignment =
      U32(optionalHeader_ + offsetof(TPeOptionalHeader32, SectionAlignment));
  const std::uint32_t fileAlignment =
      U32(optionalHeader_ + offsetof(TPeOptionalHeader32, FileAlignment));
  const auto last = std::max_element(
      sections.begin(), sections.end(),
      [](const auto& a, const auto& b) { return a.VirtualAddress < b.VirtualAddress; });
  const std::uint32_t resourceRva = DataDirectory(kResourceDirectory).first;
  const bool rebuildLast =
      last != sections.end() && last->Name == ".rsrc" && resourceRva != 0 &&
      resourceRva >= last->VirtualAddress &&
      std::uint64_t{last->PointerToRawData} + last->SizeOfRawData == bytes_.size();
  std::size_t header;
  std::uint32_t rva;
  std::uint32_t initialisedData =
      U32(optionalHeader_ + offsetof(TPeOptionalHeader32, SizeOfInitializedData));
  if (rebuildLast) {
    header =
        SectionTable() + kSectionHeaderSize * static_cast<std::size_t>(last - sections.begin());
    rva = last->VirtualAddress;
    initialisedData -= last->SizeOfRawData;
    Truncate(last->PointerToRawData);
  } else {
    header = SectionTable() + kSectionHeaderSize * NumberOfSections();
    std::uint32_t firstRaw = U32(optionalHeader_ + offsetof(TPeOptionalHeader32, SizeOfHeaders));
    std::uint64_t end = 0;
    for (const TPeSection& section : sections) {
      if (section.PointerToRawData != 0) firstRaw = std::min(firstRaw, section.PointerToRawData);
      end = std::max<std::uint64_t>(end, std::uint64_t{section.VirtualAddress} +
                                             std::max(section.VirtualSize, section.SizeOfRawData));
    }
    if (header + kSectionHeaderSize > firstRaw)
      throw TPeError("no room for another section header in the module");
    rva = AlignUp(end, sectionAlignment);
    PutU16(coffHeader_ + offsetof(TPeFileHeader, NumberOfSections),
           static_cast<std::uint16_t>(NumberOfSections() + 1));
  }
  const std::vector<std::uint8_t> data = BuildResourceSection(resources, rva);
  const std::uint32_t rawStart = AlignUp(bytes_.size(), fileAlignment);
  const std::uint32_t rawSize = AlignUp(data.size(), fileAlignment);
  bytes_.resize(rawStart, 0);
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  bytes_.resize(std::size_t{rawStart} + rawSize, 0);

  std::memset(bytes_.data() + header, 0, kSectionHeaderSize);
  std::memcpy(bytes_.data() + header, ".rsrc", 5);
  PutU32(header + offsetof(TPeSectionHeader, VirtualSize), static_cast<std::uint32_t>(data.size()));
  PutU32(header + offsetof(TPeSectionHeader, VirtualAddress), rva);
  PutU32(header + offsetof(TPeSectionHeader, SizeOfRawData), rawSize);
  PutU32(header + offsetof(TPeSectionHeader, PointerToRawData), rawStart);
  PutU32(header + offsetof(TPeSectionHeader, Characteristics), kResourceSectionCharacteristics);
  PutU32(optionalHeader_ + offsetof(TPeOptionalHeader32, SizeOfInitializedData),
         initialisedData + rawSize);
  PutU32(optionalHeader_ + offsetof(TPeOptionalHeader32, SizeOfImage),
         std::max(SizeOfImage(), AlignUp(std::uint64_t{rva} + data.size(), sectionAlignment)));
  const std::size_t directory = optionalHeader_ + offsetof(TPeOptionalHeader32, DataDirectory) +
                                sizeof(TPeDataDirectory) * kResourceDirectory;
  PutU32(directory, rva);
  PutU32(directory + 4, static_cast<std::uint32_t>(data.size()));
}

void TPeImage::Append(std::span<const std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void TPeImage::Truncate(std::size_t size) {
  if (size < bytes_.size()) bytes_.resize(size);
}

std::uint32_t TPeImage::ComputeChecksum() const {
  const std::size_t checksumAt = optionalHeader_ + offsetof(TPeOptionalHeader32, CheckSum);
  std::uint64_t sum = 0;
  for (std::size_t at = 0; at < bytes_.size(); at += 2) {
    if (at == checksumAt || at == checksumAt + 2) continue;
    const std::uint32_t word = bytes_[at] | (at + 1 < bytes_.size() ? bytes_[at + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + bytes_.size());
}

void TPeImage::UpdateChecksum() {
  PutU32(optionalHeader_ + 64, ComputeChecksum());
}

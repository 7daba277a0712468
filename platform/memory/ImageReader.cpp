#include "platform/memory/ImageReader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kMaxExports = 65536;
constexpr std::size_t kMaxNameLength = 1024;
constexpr std::size_t kMaxModuleNameLength = 260;
constexpr std::size_t kMaxImports = 4096;

std::optional<TImageLayout> ReadLayout(const TMemoryReader& memory, TAddress handle) {
  std::uint16_t signature = 0;
  std::uint32_t newHeader = 0;
  if (!memory.ReadRecord(handle, signature) || signature != kDosSignature) return std::nullopt;
  if (!memory.ReadRecord(handle + kNewHeaderOffsetField, newHeader) || newHeader == 0) {
    return std::nullopt;
  }
  TPeHeaders32 headers;
  if (!memory.ReadRecord(handle + newHeader, headers) || headers.Signature != kPeSignature ||
      headers.OptionalHeader.Magic != kOptionalHeader32Magic) {
    return std::nullopt;
  }
  TImageLayout layout;
  layout.SizeOfImage = headers.OptionalHeader.SizeOfImage;
  layout.ImageBase = headers.OptionalHeader.ImageBase;
  layout.Characteristics = headers.FileHeader.Characteristics;
  const std::uint32_t directories =
      std::min<std::uint32_t>(headers.OptionalHeader.NumberOfRvaAndSizes, kDataDirectoryCount);
  std::copy_n(headers.OptionalHeader.DataDirectory, directories, layout.Directories.begin());

  const TAddress sectionsAt = handle + newHeader + offsetof(TPeHeaders32, OptionalHeader) +
                              headers.FileHeader.SizeOfOptionalHeader;
  for (std::uint16_t i = 0; i < headers.FileHeader.NumberOfSections; ++i) {
    TPeSectionHeader header;
    if (!memory.ReadRecord(sectionsAt + i * sizeof header, header)) return std::nullopt;
    TImageSection section;
    std::memcpy(section.Name.data(), header.Name, section.Name.size());
    section.VirtualSize = header.VirtualSize;
    section.VirtualAddress = header.VirtualAddress;
    section.RawSize = header.SizeOfRawData;
    section.Characteristics = header.Characteristics;
    layout.Sections.push_back(section);
  }
  return layout;
}

}  // namespace

const TImageSection* TImageLayout::SectionNamed(std::string_view name) const {
  std::array<char, 8> wanted{};
  std::memcpy(wanted.data(), name.data(), std::min<std::size_t>(name.size(), wanted.size()));
  for (const TImageSection& section : Sections) {
    if (section.Name == wanted) return &section;
  }
  return nullptr;
}

const TImageSection* TImageLayout::SectionContaining(std::uint32_t rva) const {
  for (const TImageSection& section : Sections) {
    if (rva >= section.VirtualAddress && rva - section.VirtualAddress < section.Span()) {
      return &section;
    }
  }
  return nullptr;
}

TImageReader::TImageReader(const TMemoryReader& memory, TAddress handle)
    : memory_(memory), handle_(handle), layout_(ReadLayout(memory, handle)) {}

std::optional<std::vector<std::uint8_t>> TImageReader::Bytes(std::uint32_t rva,
                                                             std::uint32_t length) const {
  std::vector<std::uint8_t> bytes(length);
  if (length > 0 && !memory_.ReadAll(handle_ + rva, bytes.data(), length)) return std::nullopt;
  return bytes;
}

std::string TImageReader::TextPrefix(std::uint32_t rva, std::size_t maxLength,
                                     bool& complete) const {
  std::string text;
  complete = false;
  char chunk[64];
  for (TAddress at = handle_ + rva; text.size() < maxLength; at += sizeof chunk) {
    const std::size_t read = memory_.Read(at, chunk, sizeof chunk);
    const auto* end = static_cast<const char*>(std::memchr(chunk, 0, read));
    text.append(chunk, end ? end - chunk : read);
    if (end) {
      complete = text.size() <= maxLength;
      break;
    }
    if (read < sizeof chunk) break;
  }
  if (text.size() > maxLength) text.resize(maxLength);
  return text;
}

std::optional<std::string> TImageReader::Text(std::uint32_t rva, std::size_t maxLength) const {
  bool complete = false;
  std::string text = TextPrefix(rva, maxLength, complete);
  if (!complete) return std::nullopt;
  return text;
}

std::vector<TImageExport> TImageReader::Exports() const {
  std::vector<TImageExport> exports;
  if (!layout_) return exports;
  const TPeDataDirectory& directory = layout_->Directories[kDirectoryExport];
  TPeExportDirectory header;
  if (directory.Size == 0 || !ReadRecord(directory.VirtualAddress, header)) return exports;
  if (header.NumberOfFunctions > kMaxExports || header.NumberOfNames > kMaxExports) return exports;
  const auto functions = Bytes(header.AddressOfFunctions, header.NumberOfFunctions * 4);
  const auto names = Bytes(header.AddressOfNames, header.NumberOfNames * 4);
  const auto ordinals = Bytes(header.AddressOfNameOrdinals, header.NumberOfNames * 2);
  if (!functions || !names || !ordinals) return exports;
  for (std::uint32_t i = 0; i < header.NumberOfNames; ++i) {
    std::uint32_t nameRva = 0;
    std::uint16_t ordinal = 0;
    std::memcpy(&nameRva, names->data() + 4 * i, 4);
    std::memcpy(&ordinal, ordinals->data() + 2 * i, 2);
    if (ordinal >= header.NumberOfFunctions) continue;
    TImageExport entry;
    std::memcpy(&entry.Rva, functions->data() + 4 * ordinal, 4);
    entry.Forwarder = entry.Rva >= directory.VirtualAddress &&
                      entry.Rva - directory.VirtualAddress < directory.Size;
    // A name that cannot be read whole is kept as far as it could be read.
    bool complete = false;
    entry.Name = TextPrefix(nameRva, kMaxNameLength, complete);
    exports.push_back(std::move(entry));
  }
  return exports;
}

std::vector<TImageImport> TImageReader::Imports() const {
  std::vector<TImageImport> imports;
  if (!layout_) return imports;
  const TPeDataDirectory& directory = layout_->Directories[kDirectoryImport];
  if (directory.VirtualAddress == 0 || directory.Size == 0) return imports;
  for (std::size_t i = 0; i < kMaxImports; ++i) {
    TPeImportDescriptor descriptor;
    if (!ReadRecord(directory.VirtualAddress + i * sizeof descriptor, descriptor)) break;
    if (descriptor.Name == 0 && descriptor.FirstThunk == 0) break;
    if (descriptor.Name == 0) continue;
    auto name = Text(descriptor.Name, kMaxModuleNameLength);
    if (!name) continue;
    imports.push_back({std::move(*name), handle_ + descriptor.FirstThunk});
  }
  return imports;
}

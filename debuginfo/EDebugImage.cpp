#include "debuginfo/EDebugImage.h"

#include <cstring>

#include "debuginfo/EDebugByteCursor.h"

namespace {
constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kNewHeaderOffsetField = 0x3C;
constexpr std::size_t kPeHeaderSize = 248;  // signature, file header, 32-bit optional header
constexpr std::size_t kFileHeaderAt = 4;
constexpr std::size_t kOptionalHeaderAt = 24;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint16_t kOptionalHeader32Magic = 0x10B;
}  // namespace

std::optional<std::vector<std::uint8_t>> ReadImageBytes(const TModuleAccess& access,
                                                        std::uintptr_t handle, std::uint32_t rva,
                                                        std::uint32_t length) {
  std::vector<std::uint8_t> bytes(length);
  if (length > 0 && !access.ReadMemory(handle + rva, bytes.data(), length)) return std::nullopt;
  return bytes;
}

std::optional<TImageLayout> ReadImageLayout(const TModuleAccess& access, std::uintptr_t handle) {
  auto dos = ReadImageBytes(access, handle, 0, kDosHeaderSize);
  if (!dos || (*dos)[0] != 'M' || (*dos)[1] != 'Z') return std::nullopt;
  TByteCursor dosCursor(*dos);
  dosCursor.Seek(kNewHeaderOffsetField);
  const std::uint32_t newHeader = dosCursor.U32();
  if (newHeader == 0) return std::nullopt;
  auto pe = ReadImageBytes(access, handle, newHeader, kPeHeaderSize);
  if (!pe || std::memcmp(pe->data(), "PE\0\0", 4) != 0) return std::nullopt;

  TByteCursor header(*pe);
  header.Seek(kFileHeaderAt + 2);
  const std::uint16_t sectionCount = header.U16();
  header.Seek(kFileHeaderAt + 16);
  const std::uint16_t optionalHeaderSize = header.U16();
  header.Seek(kOptionalHeaderAt);
  if (header.U16() != kOptionalHeader32Magic) return std::nullopt;

  TImageLayout layout;
  header.Seek(kOptionalHeaderAt + 56);
  layout.SizeOfImage = header.U32();
  header.Seek(kOptionalHeaderAt + 92);
  const std::uint32_t directoryCount = std::min<std::uint32_t>(header.U32(), 16);
  for (std::uint32_t i = 0; i < directoryCount; ++i) {
    layout.Directories[i].VirtualAddress = header.U32();
    layout.Directories[i].Size = header.U32();
  }

  const std::uint32_t sectionsAt = newHeader + kOptionalHeaderAt + optionalHeaderSize;
  auto table = ReadImageBytes(access, handle, sectionsAt, sectionCount * kSectionHeaderSize);
  if (!table) return std::nullopt;
  TByteCursor sections(*table);
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    TImageSection section;
    auto name = sections.Bytes(8);
    std::memcpy(section.Name.data(), name.data(), 8);
    section.VirtualSize = sections.U32();
    section.VirtualAddress = sections.U32();
    section.RawSize = sections.U32();
    sections.Skip(kSectionHeaderSize - 20);
    layout.Sections.push_back(section);
  }
  return layout;
}

const TImageSection* FindSectionByName(const TImageLayout& layout, std::string_view name) {
  std::array<char, 8> wanted{};
  std::memcpy(wanted.data(), name.data(), std::min<std::size_t>(name.size(), 8));
  for (const auto& section : layout.Sections) {
    if (section.Name == wanted) return &section;
  }
  return nullptr;
}

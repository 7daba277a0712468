// The headers of a loaded PE image, read through TModuleAccess (so a
// fabricated image in a buffer serves the tests): data directories and
// section table. Pure; never raises.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "debuginfo/EDebugSource.h"

struct TImageSection {
  std::array<char, 8> Name{};
  std::uint32_t VirtualSize = 0;
  std::uint32_t VirtualAddress = 0;
  std::uint32_t RawSize = 0;
};

struct TImageDataDirectory {
  std::uint32_t VirtualAddress = 0;
  std::uint32_t Size = 0;
};

struct TImageLayout {
  std::array<TImageDataDirectory, 16> Directories{};
  std::vector<TImageSection> Sections;
  std::uint32_t SizeOfImage = 0;
};

inline constexpr std::size_t kImageDirectoryExport = 0;
inline constexpr std::size_t kImageDirectoryDebug = 6;

// "MZ", a non-zero new-header offset, "PE\0\0", a 32-bit optional header.
std::optional<TImageLayout> ReadImageLayout(const TModuleAccess& access, std::uintptr_t handle);

// The section whose 8-character name equals `name` (padded with zeros).
const TImageSection* FindSectionByName(const TImageLayout& layout, std::string_view name);

// `length` bytes of the image at `rva`, or nothing when unreadable.
std::optional<std::vector<std::uint8_t>> ReadImageBytes(const TModuleAccess& access,
                                                        std::uintptr_t handle, std::uint32_t rva,
                                                        std::uint32_t length);

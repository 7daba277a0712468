// The CRC lookup tables: entry i is the CRC of byte i shifted into a zero
// register. CRC-16: polynomial 0x1021 processed most significant bit first
// (XMODEM). CRC-32: reflected polynomial 0xEDB88320 (zlib, PNG). Computed at
// compile time from the polynomials, so they are constant data.
#pragma once

#include <array>
#include <cstdint>

namespace crc_tables {

constexpr std::array<std::uint16_t, 256> MakeCrc16Table() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    table[i] = crc;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> MakeCrc32Table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    table[i] = crc;
  }
  return table;
}

inline constexpr std::array<std::uint16_t, 256> kCrc16 = MakeCrc16Table();
inline constexpr std::array<std::uint32_t, 256> kCrc32 = MakeCrc32Table();

static_assert(kCrc16[1] == 0x1021 && kCrc16[255] == 0x1EF0);
static_assert(kCrc32[1] == 0x77073096u && kCrc32[255] == 0x2D02EF8Du);

}  // namespace crc_tables

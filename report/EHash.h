// Cyclic redundancy checks and the MD5 digest (pure; never raise).
//
// Crc16Text: CRC-16/XMODEM (polynomial 0x1021, most significant bit first,
// register 0, no final inversion); the bug identifier is built from it.
// Crc32: CRC-32 of zlib and PNG (reflected 0xEDB88320, register 0xFFFFFFFF,
// result inverted); Crc32Update lets a caller run it over several pieces.
// Md5: RFC 1321.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

std::uint16_t Crc16Text(std::string_view text);

inline constexpr std::uint32_t kCrc32Start = 0xFFFFFFFFu;
// Feeds bytes into a running register; start with kCrc32Start and invert the
// final register (or call Crc32Finish).
std::uint32_t Crc32Update(std::uint32_t crcRegister, const void* buffer, std::size_t length);
inline std::uint32_t Crc32Finish(std::uint32_t crcRegister) {
  return ~crcRegister;
}
std::uint32_t Crc32(const void* buffer, std::size_t length);

using TMd5Digest = std::array<std::uint8_t, 16>;
TMd5Digest Md5(const void* buffer, std::size_t length);

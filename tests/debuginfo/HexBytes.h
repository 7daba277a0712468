// Test helper: bytes from hexadecimal text such as "8B 45 08".
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

inline std::vector<std::uint8_t> HexBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) continue;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  return bytes;
}

// Small text helpers shared by the decoder's files (internal to EDisAsm).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Marks finished text inside a template under rewriting: the mark, a length
// byte, then that many characters that are neither scanned nor post-processed.
inline constexpr char kFinishedMark = '^';

// Upper-case hexadecimal digits of value, at least minDigits of them.
inline std::string HexText(std::uint32_t value, int minDigits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char digits[8];
  int count = 0;
  do {
    digits[count++] = kDigits[value & 15];
    value >>= 4;
  } while (value != 0);
  std::string text(minDigits > count ? minDigits - count : 0, '0');
  while (count > 0) text += digits[--count];
  return text;
}

// The text as finished chunks of at most 255 characters.
inline std::string FinishedText(std::string_view text) {
  std::string finished;
  while (!text.empty()) {
    const std::size_t length = text.size() < 255 ? text.size() : 255;
    finished += kFinishedMark;
    finished += static_cast<char>(length);
    finished.append(text.substr(0, length));
    text.remove_prefix(length);
  }
  return finished;
}

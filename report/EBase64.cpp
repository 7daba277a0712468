#include "report/EBase64.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
constexpr char kPad = '=';
constexpr std::uint8_t kNotInAlphabet = 255;

// Each alphabet character maps to its value, the pad to 0, any other byte to 255.
constexpr std::array<std::uint8_t, 256> MakeDecodeTable() {
  std::array<std::uint8_t, 256> table{};
  for (auto& value : table) value = kNotInAlphabet;
  for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  table[static_cast<unsigned char>(kPad)] = 0;
  return table;
}
constexpr std::array<std::uint8_t, 256> kDecode = MakeDecodeTable();

// The three bytes of one group of four table values; a value of 255 spills
// into its neighbours' bits, as the lenient decoding intends.
void DecodeGroup(const std::uint8_t v[4], std::uint8_t out[3]) {
  out[0] = static_cast<std::uint8_t>((v[0] << 2) | (v[1] >> 4));
  out[1] = static_cast<std::uint8_t>((v[1] << 4) | (v[2] >> 2));
  out[2] = static_cast<std::uint8_t>((v[2] << 6) | v[3]);
}

}  // namespace

std::string Base64EncodeBuffer(const void* buffer, std::size_t length) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  std::string text;
  if (!bytes) return text;
  text.reserve((length + 2) / 3 * 4);
  for (std::size_t at = 0; at < length; at += 3) {
    const std::size_t take = length - at < 3 ? length - at : 3;
    std::uint32_t group = static_cast<std::uint32_t>(bytes[at]) << 16;
    if (take > 1) group |= static_cast<std::uint32_t>(bytes[at + 1]) << 8;
    if (take > 2) group |= bytes[at + 2];
    text += kAlphabet[(group >> 18) & 63];
    text += kAlphabet[(group >> 12) & 63];
    text += take > 1 ? kAlphabet[(group >> 6) & 63] : kPad;
    text += take > 2 ? kAlphabet[group & 63] : kPad;
  }
  return text;
}

std::string Base64Encode(std::string_view text) {
  return Base64EncodeBuffer(text.data(), text.size());
}

std::string Base64Decode(std::string_view text) {
  if (text.empty() || text.size() % 4 != 0) return {};
  std::size_t outputLength = text.size() / 4 * 3;
  if (text[text.size() - 2] == kPad) {
    outputLength -= 2;
  } else if (text.back() == kPad) {
    outputLength -= 1;
  }
  std::string output(outputLength, '.');

  const std::size_t groups = text.size() / 4;
  for (std::size_t g = 0; g < groups; ++g) {
    std::uint8_t values[4];
    std::size_t usable = 4;
    for (std::size_t i = 0; i < 4; ++i) {
      const char c = text[g * 4 + i];
      const bool lastGroup = g + 1 == groups;
      if (lastGroup && c == kPad && usable == 4)
        usable = i;  // the last group stops at its first pad
      values[i] = (usable <= i) ? 0 : kDecode[static_cast<unsigned char>(c)];
    }
    std::uint8_t bytes[3];
    DecodeGroup(values, bytes);
    const std::size_t produced = usable > 0 ? usable - 1 : 0;
    for (std::size_t i = 0; i < produced && g * 3 + i < outputLength; ++i) {
      output[g * 3 + i] = static_cast<char>(bytes[i]);
    }
  }
  return output;
}

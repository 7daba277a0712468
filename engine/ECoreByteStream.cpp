#include "engine/ECoreByteStream.h"

#include <cstring>

#include "platform/runtime/Exception.h"

std::string TrimFinalLineBreak(std::string_view text) {
  if (text.size() > 1 && text.find("\r\n") == text.size() - 2) text.remove_suffix(2);
  return std::string(text);
}

std::span<const std::uint8_t> TByteReader::ReadBytes(std::size_t count) {
  if (count > Remaining()) throw EReadError("Stream read error");
  const auto bytes = bytes_.subspan(position_, count);
  position_ += count;
  return bytes;
}

std::uint8_t TByteReader::ReadU8() {
  return ReadBytes(1)[0];
}

std::uint16_t TByteReader::ReadU16() {
  const auto b = ReadBytes(2);
  return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

std::uint32_t TByteReader::ReadU32() {
  const auto b = ReadBytes(4);
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

double TByteReader::ReadDouble() {
  const auto b = ReadBytes(8);
  double value;
  std::memcpy(&value, b.data(), sizeof value);  // x86: the stored order is the memory order
  return value;
}

std::string TByteReader::ReadScrambledString() {
  const std::size_t start = position_;
  const std::uint32_t length = ReadU32();
  if (length > Remaining()) {
    position_ = start;
    throw EReadError("Stream read error");
  }
  const auto bytes = ReadBytes(length);
  std::string text(bytes.begin(), bytes.end());
  for (char& c : text) c = static_cast<char>(c ^ kScrambleKey);
  return text;
}

void TByteWriter::WriteU16(std::uint16_t value) {
  WriteU8(static_cast<std::uint8_t>(value));
  WriteU8(static_cast<std::uint8_t>(value >> 8));
}

void TByteWriter::WriteU32(std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) WriteU8(static_cast<std::uint8_t>(value >> shift));
}

void TByteWriter::WriteDouble(double value) {
  std::uint8_t b[8];
  std::memcpy(b, &value, sizeof b);
  WriteBytes(b);
}

void TByteWriter::WriteBytes(std::span<const std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void TByteWriter::WriteScrambledString(std::string_view text) {
  const std::string stored = TrimFinalLineBreak(text);
  WriteU32(static_cast<std::uint32_t>(stored.size()));
  for (char c : stored) WriteU8(static_cast<std::uint8_t>(c) ^ kScrambleKey);
}

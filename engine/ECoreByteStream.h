// Little-endian byte streams over memory, as the option stream and the ELDATA
// block use them, with the option stream's scrambled strings. Pure.
//
// TByteReader never reads outside its span: a read past the end raises
// EReadError("Stream read error") and leaves the position where it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The data version of the current option stream and ELDATA block format.
inline constexpr std::uint16_t kEngineDataVersion = 6105;

// The fixed one-byte key XORed over every byte of a stored string.
inline constexpr std::uint8_t kScrambleKey = 0x5C;

// The writer's rule for a final line break: a string longer than one
// character whose first CR LF sits at its very end loses that CR LF.
std::string TrimFinalLineBreak(std::string_view text);

class TByteReader {
 public:
  // `dataVersion`: the format version the bytes were written in, for the
  // readers of versioned content.
  explicit TByteReader(std::span<const std::uint8_t> bytes, int dataVersion = kEngineDataVersion)
      : bytes_(bytes), dataVersion_(dataVersion) {}

  int DataVersion() const { return dataVersion_; }

  std::uint8_t ReadU8();
  bool ReadBool() { return ReadU8() != 0; }
  std::uint16_t ReadU16();
  std::uint32_t ReadU32();
  std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
  double ReadDouble();
  // The next `count` bytes, viewed in place.
  std::span<const std::uint8_t> ReadBytes(std::size_t count);
  void Skip(std::size_t count) { ReadBytes(count); }
  // A 32-bit length, then that many bytes XORed with kScrambleKey.
  std::string ReadScrambledString();

  std::size_t Position() const { return position_; }
  std::size_t Remaining() const { return bytes_.size() - position_; }
  std::span<const std::uint8_t> Rest() const { return bytes_.subspan(position_); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  int dataVersion_;
};

class TByteWriter {
 public:
  void WriteU8(std::uint8_t value) { bytes_.push_back(value); }
  void WriteBool(bool value) { WriteU8(value ? 1 : 0); }
  void WriteU16(std::uint16_t value);
  void WriteU32(std::uint32_t value);
  void WriteDouble(double value);
  void WriteBytes(std::span<const std::uint8_t> bytes);
  // TrimFinalLineBreak, then the length and the scrambled bytes.
  void WriteScrambledString(std::string_view text);

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

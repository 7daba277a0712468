// A little-endian reading cursor over a byte span. Reading past the end
// gives zeros and marks the cursor failed instead of reading out of bounds,
// so the readers of debug data can check once at the end of a step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

class TByteCursor {
 public:
  TByteCursor() = default;
  explicit TByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t Position() const { return position_; }
  std::size_t Size() const { return bytes_.size(); }
  std::size_t Remaining() const { return failed_ ? 0 : bytes_.size() - position_; }
  bool Failed() const { return failed_; }
  bool AtEnd() const { return failed_ || position_ >= bytes_.size(); }

  // Moving beyond the end fails the cursor; moving to the end is allowed.
  void Seek(std::size_t position) {
    if (position > bytes_.size()) {
      failed_ = true;
      position_ = bytes_.size();
    } else {
      position_ = position;
    }
  }
  void Skip(std::size_t count) {
    if (count > bytes_.size() - position_) {
      Seek(bytes_.size() + 1);
    } else {
      position_ += count;
    }
  }

  std::uint8_t U8() { return static_cast<std::uint8_t>(Little(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Little(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Little(4)); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

  // The next `count` bytes, or an empty span (and failed) when fewer remain.
  std::span<const std::uint8_t> Bytes(std::size_t count) {
    if (failed_ || count > bytes_.size() - position_) {
      Seek(bytes_.size() + 1);
      return {};
    }
    auto part = bytes_.subspan(position_, count);
    position_ += count;
    return part;
  }

 private:
  std::uint64_t Little(std::size_t width) {
    if (failed_ || width > bytes_.size() - position_) {
      Seek(bytes_.size() + 1);
      return 0;
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
      value |= std::uint64_t{bytes_[position_ + i]} << (8 * i);
    position_ += width;
    return value;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

inline std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

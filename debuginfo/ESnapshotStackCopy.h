// A copy of a stretch of a thread's stack, and a memory reader that shows
// the copy at the addresses it was taken from, so that the stack scanner
// reads a creator's saved stack exactly as it reads a live one. Pure: no
// windows.h, no allocation when reading.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/memory/MemoryReader.h"

struct TStackCopy {
  TAddress From = 0;                // the stack pointer where the copy begins
  std::vector<std::uint8_t> Bytes;  // the stack's bytes [From, From + size)
};

// Reads [copy.From, copy.From + size) from the copy; everything else is
// unreadable. The copy must outlive the reader.
class TStackCopyMemory final : public TMemoryReader {
 public:
  explicit TStackCopyMemory(const TStackCopy& copy) : copy_(copy) {}

  std::size_t Read(TAddress address, void* buffer, std::size_t count) const noexcept override {
    const std::size_t length = ReadableLength(address, count);
    if (length) std::memcpy(buffer, copy_.Bytes.data() + (address - copy_.From), length);
    return length;
  }
  std::size_t ReadableLength(TAddress address, std::size_t limit) const noexcept override {
    if (address < copy_.From || address - copy_.From >= copy_.Bytes.size()) return 0;
    return std::min(limit, copy_.Bytes.size() - (address - copy_.From));
  }

 private:
  const TStackCopy& copy_;
};

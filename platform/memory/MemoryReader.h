// The one way the engine reads memory it does not own: code to be hooked or
// listed, stacks to be scanned, images whose headers are walked.
//
// A reader copies the readable prefix of a range and says how much that was;
// it never faults and never throws. The live reader (LiveMemory.h) asks the
// system which pages may be read; tests hand fabricated memory to the same
// code. Pure: no windows.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>

// An address of the process being read: a 32-bit process, whatever the
// width of the pointers of the program that reads it (the native test
// programs and fuzzers read fabricated 32-bit memory). Values stored in that
// memory (pointers, table entries) are 32 bits wide too: read them with
// ReadU32. Sums of an address and a length wrap at 2^32 as they do there.
using TAddress = std::uint32_t;

class TMemoryReader {
 public:
  virtual ~TMemoryReader() = default;

  // Copies the readable prefix of [address, address + count) into `buffer`
  // and returns its length (0 when `address` itself cannot be read).
  virtual std::size_t Read(TAddress address, void* buffer, std::size_t count) const noexcept = 0;
  // How many bytes from `address` on could be read, counted up to `limit`.
  virtual std::size_t ReadableLength(TAddress address, std::size_t limit) const noexcept = 0;

  // All `count` bytes, or false (the buffer then holds the readable prefix).
  bool ReadAll(TAddress address, void* buffer, std::size_t count) const noexcept {
    return Read(address, buffer, count) == count;
  }
  bool IsReadable(TAddress address, std::size_t count) const noexcept {
    return ReadableLength(address, count) >= count;
  }
  // A trivially copyable record stored at `address`, whole or not at all.
  template <class Record>
  bool ReadRecord(TAddress address, Record& record) const noexcept {
    static_assert(std::is_trivially_copyable_v<Record>);
    return ReadAll(address, &record, sizeof record);
  }
  // A 32-bit little-endian value: a pointer or table entry of the process.
  std::optional<std::uint32_t> ReadU32(TAddress address) const noexcept {
    std::uint8_t bytes[4];
    if (!ReadAll(address, bytes, sizeof bytes)) return std::nullopt;
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
  }
};

// What the fuzz targets share: the input as bytes and text, a few numbers
// taken from its end (addresses to look up), and a module made of the input
// for the debug sources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

struct FuzzInput {
  FuzzInput(const std::uint8_t* data, std::size_t size) : bytes(data, size) {}

  std::span<const std::uint8_t> bytes;

  std::string_view Text() const {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
  }
  // The i-th 32-bit little-endian word counted from the end (0 when the
  // input is shorter): lookups probe addresses the input itself suggests.
  std::uint32_t WordFromEnd(std::size_t i) const {
    if (bytes.size() < 4 * (i + 1)) return 0;
    const std::uint8_t* p = bytes.data() + bytes.size() - 4 * (i + 1);
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
  }
};

// A property of the code under test that does not hold: reported as a crash
// so libFuzzer keeps the input.
[[noreturn]] inline void FuzzPropertyFailed(const char* what) {
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}
#define FUZZ_CHECK(condition)                         \
  do {                                                \
    if (!(condition)) FuzzPropertyFailed(#condition); \
  } while (0)

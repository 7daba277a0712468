// zlib streams (with their two-byte header and Adler-32 trailer) in and out
// of byte buffers. Pure; never raises for bad input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The inflated bytes of one zlib stream at the start of `compressed`, or none
// when the stream is corrupt, truncated or would grow beyond `maximumSize`.
// Bytes after the end of the stream are ignored. `consumed` (when given)
// receives the length of the stream itself.
std::optional<std::vector<std::uint8_t>> InflateZlib(std::span<const std::uint8_t> compressed,
                                                     std::size_t maximumSize,
                                                     std::size_t* consumed = nullptr);

// One zlib stream holding `plain`, deflated at `level` (0 to 9).
std::vector<std::uint8_t> DeflateZlib(std::span<const std::uint8_t> plain, int level = 9);

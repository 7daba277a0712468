// JDBG data written byte by byte (names in the packed and the XORed
// forms), for the JDBG source's tests and the fuzzer's seed.
#pragma once

#include <cstdint>
#include <string>

std::string VarUInt(std::uint32_t value);
// Four 6-bit codes in every three bytes, least significant first, code 0 ends.
std::string PackedName(const std::string& text);
std::string XorName(const std::string& text);

// Two units, their sources, three routines and five lines.
struct JdbgWriter {
  bool CheckSumPresent = true;

  std::string Data() const;
};

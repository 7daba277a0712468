// The names the readable options file shows for flag bits and small enumerated
// values (trailing comments of a dump; flag names are also accepted as input).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

struct TValueName {
  std::uint64_t Value;
  const char* Name;
};

// The bit names of a flag-set field, or empty.
const std::vector<TValueName>& FlagNames(std::string_view field);
// The meanings of an enumerated field's values, or empty.
const std::vector<TValueName>& ValueMeanings(std::string_view field);

// Small text helpers of the debug sources (pure).
#pragma once

#include <algorithm>
#include <cctype>
#include <string_view>

// Equal when compared ignoring ASCII case, as unit and module names are.
inline bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

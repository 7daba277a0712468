// Blank trimming as the runtime's string functions do it: every character up
// to and including the space counts as blank (tabs, line breaks, controls).
// Pure; never raises.
#pragma once

#include <string_view>

constexpr bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

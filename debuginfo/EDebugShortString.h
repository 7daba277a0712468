// A fixed-capacity text with a length byte in front, the layout the records
// shared with other modules use. Assigning a longer text keeps its first
// Capacity characters.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

template <std::size_t Capacity>
struct TShortString {
  static_assert(Capacity <= 255);
  std::uint8_t Length;
  char Text[Capacity];

  void Assign(std::string_view text) {
    Length = static_cast<std::uint8_t>(std::min(text.size(), Capacity));
    // An empty view may have no data at all: memcpy must not see its null.
    if (Length) std::memcpy(Text, text.data(), Length);
  }
  void Clear() { Length = 0; }
  bool Empty() const { return Length == 0; }
  std::string_view View() const { return std::string_view(Text, Length); }
  std::string Str() const { return std::string(View()); }
};
static_assert(sizeof(TShortString<255>) == 256);
static_assert(sizeof(TShortString<64>) == 65);

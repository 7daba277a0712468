#include "installer/HostAddress.h"

namespace {

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

bool IsLocalHostName(std::string_view host) {
  constexpr std::string_view kLocalHost = "LOCALHOST";
  if (host.size() != kLocalHost.size()) return false;
  for (std::size_t i = 0; i < host.size(); ++i) {
    if (UpperAscii(host[i]) != kLocalHost[i]) return false;
  }
  return true;
}

std::optional<std::array<std::uint8_t, 4>> ParseDottedQuad(std::string_view text) {
  std::array<std::uint8_t, 4> address{};
  std::size_t at = 0;
  for (std::size_t part = 0; part < address.size(); ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != '.') return std::nullopt;
      ++at;
    }
    unsigned value = 0;
    std::size_t digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      value = value * 10 + static_cast<unsigned>(text[at] - '0');
      if (value > 255) return std::nullopt;
      ++at;
      ++digits;
    }
    if (digits == 0) return std::nullopt;
    address[part] = static_cast<std::uint8_t>(value);
  }
  if (at != text.size()) return std::nullopt;
  return address;
}

std::string ToSevenBitAscii(std::string_view text) {
  std::string bytes(text);
  for (char& c : bytes) {
    if (static_cast<unsigned char>(c) > 127) c = '?';
  }
  return bytes;
}

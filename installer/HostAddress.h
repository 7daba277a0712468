// Text rules of the datagram client that need no sockets (pure).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "LOCALHOST" in any letter case.
bool IsLocalHostName(std::string_view host);

// Four decimal numbers from 0 to 255 separated by "." with nothing left over.
std::optional<std::array<std::uint8_t, 4>> ParseDottedQuad(std::string_view text);

// One byte per character as 7-bit ASCII: every byte above 127 becomes "?".
std::string ToSevenBitAscii(std::string_view text);

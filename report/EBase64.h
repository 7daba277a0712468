// Base64 with the standard alphabet and "=" padding, no line breaks (pure;
// never raises).
//
// Decoding is deliberately lenient, as the stored names rely on it: a text
// whose length is 0 or not a multiple of 4 gives an empty result; the output
// is first filled with "." and then written, the last group only up to its
// first "="; a byte outside the alphabet is not rejected but spoils the bytes
// of its group.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

std::string Base64Encode(std::string_view text);
std::string Base64EncodeBuffer(const void* buffer, std::size_t length);
std::string Base64Decode(std::string_view text);

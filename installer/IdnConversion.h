// Internationalised host names for resolvers that accept only ASCII.
#pragma once

#include <string>

// The host name in its ASCII (punycode) form when it holds characters above
// 127 and the platform's IDNA conversion is available; otherwise unchanged.
std::string ToAsciiHostName(const std::string& host);

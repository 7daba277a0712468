// Web addresses as the web delivery reads and writes them: the target and
// proxy addresses of the options, and the tracker addresses the senders
// build with a port and a login.
//
// Pure: no windows.h.
#pragma once

#include <string>
#include <string_view>

struct TUrlParts {
  std::string Scheme;    // empty when the address names none
  std::string User;      // decoded
  std::string Password;  // decoded
  std::string Host;
  unsigned Port = 0;     // 0: the address gives none
  std::string BasePath;  // without the leading "/", ending with "/" unless empty
};

// Keeps A to Z, a to z and 0 to 9; every other byte becomes "%" and two
// upper-case hexadecimal digits.
std::string UrlEncode(std::string_view text);
// "%" and two hexadecimal digits become their byte; anything else stays.
std::string UrlDecode(std::string_view text);

// The parts of an address. The address is trimmed and ends with "/". A port
// is found at the very end (".../p:8080" gives port 8080 and path "p/", as
// BuildUrl writes it) or right after the host ("h:8080/p"). The scheme is
// the text before "://" when it is letters, digits, "-" and "."; a login
// "user:password@" is sought only before the first "/" after the scheme, so
// an "@" or ":" in the path cannot become a login or move the host.
TUrlParts ParseUrl(std::string_view address);

// `address` with ":" and the port appended when the port is not 0, and,
// when a user or a password is given, "user:password@" (each encoded)
// inserted after the first "://" (in front without one).
std::string BuildUrl(std::string_view address, std::string_view user, std::string_view password,
                     unsigned port);

// HTTPS: the scheme is "https" in any letter case.
bool IsHttps(const TUrlParts& parts);
// The port to connect to: the address's, else 443 for HTTPS and 80 otherwise.
unsigned EffectivePort(const TUrlParts& parts);

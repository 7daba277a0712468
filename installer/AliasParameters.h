// The alias SetBDEConfig registers (pure): its parameter lines and the
// parameter string the database engine receives.
#pragma once

#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kAliasDriverType = "INTRBASE";

// SERVER NAME=<server>, BLOB SIZE=65535, BLOBS TO CACHE=65535, SQLDIALECT=1.
std::vector<std::string> BrisoleAliasParameters(std::string_view serverName);

struct AliasParameterString {
  std::string driverType;  // the given type, unless a DEFAULT DRIVER line replaces it
  std::string params;      // NAME:"value";... without the final ";"
};

// For each name=value line, the pattern "%s%s:\"%s\";" with the value cut to
// 255 characters; the final ";" is removed. The result is still in the ANSI
// code page: the caller converts it for the engine.
AliasParameterString BuildAliasParameterString(const std::vector<std::string>& lines,
                                               std::string_view driverType);

// Each line followed by CR LF: how the failure message lists the parameters.
std::string JoinLines(const std::vector<std::string>& lines);

#include "installer/AliasParameters.h"

namespace {

constexpr std::size_t kMaxValueLength = 255;
constexpr std::string_view kDefaultDriverName = "DEFAULT DRIVER";

}  // namespace

std::vector<std::string> BrisoleAliasParameters(std::string_view serverName) {
  return {"SERVER NAME=" + std::string(serverName), "BLOB SIZE=65535", "BLOBS TO CACHE=65535",
          "SQLDIALECT=1"};
}

AliasParameterString BuildAliasParameterString(const std::vector<std::string>& lines,
                                               std::string_view driverType) {
  AliasParameterString built{std::string(driverType), {}};
  for (const std::string& line : lines) {
    const auto equals = line.find('=');
    const std::string name = line.substr(0, equals);
    std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
    if (name == kDefaultDriverName) {
      built.driverType = value;
      continue;
    }
    built.params += name + ":\"" + value + "\";";
  }
  if (!built.params.empty()) built.params.pop_back();
  return built;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

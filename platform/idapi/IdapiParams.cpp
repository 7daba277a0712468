#include "platform/idapi/IdapiParams.h"

std::optional<std::vector<std::pair<std::string, std::string>>> ParseAliasParams(
    std::string_view params) {
  std::vector<std::pair<std::string, std::string>> parsed;
  std::size_t at = 0;
  while (at < params.size()) {
    const auto colon = params.find(':', at);
    if (colon == std::string_view::npos || colon == at) return std::nullopt;
    std::string name(params.substr(at, colon - at));
    at = colon + 1;
    if (at >= params.size() || params[at] != '"') return std::nullopt;
    const auto closing = params.find('"', at + 1);
    if (closing == std::string_view::npos) return std::nullopt;
    parsed.emplace_back(std::move(name), std::string(params.substr(at + 1, closing - at - 1)));
    at = closing + 1;
    if (at < params.size()) {
      if (params[at] != ';') return std::nullopt;
      ++at;
    }
  }
  return parsed;
}

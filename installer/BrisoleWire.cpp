#include "installer/BrisoleWire.h"

namespace brisole {

std::string ExtractPayload(std::string_view reply) {
  const auto bar = reply.find(kKeywordSeparator);
  if (bar == std::string_view::npos) return {};
  const std::string_view keyword = reply.substr(0, bar);
  if (keyword != kDatabaseReply && keyword != kShareReply) return {};
  return std::string(reply.substr(bar + 1));
}

std::optional<DatabaseParameters> SplitDatabasePayload(std::string_view payload) {
  const auto at = payload.find(kAliasSeparator);
  if (at == std::string_view::npos) return std::nullopt;
  return DatabaseParameters{std::string(payload.substr(0, at)),
                            std::string(payload.substr(at + 1))};
}

std::string CompleteConnectionString(std::string_view connectionString,
                                     std::string_view serverHost) {
  if (connectionString.find(':') != std::string_view::npos) return std::string(connectionString);
  return std::string(serverHost) + ":" + std::string(connectionString);
}

}  // namespace brisole

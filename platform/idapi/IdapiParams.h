// The parameter string an engine receives with a new alias (pure):
// NAME:"value" pairs separated by ";", e.g.
//   SERVER NAME:"srv1";BLOB SIZE:"65535"
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// None when the string does not follow the pattern.
std::optional<std::vector<std::pair<std::string, std::string>>> ParseAliasParams(
    std::string_view params);

// The stand-in engine's persistent configuration: its aliases with driver
// type and parameters, kept in a text file (pure: parse and format only).
//
//   ; Stand-in database engine configuration
//   [DATABASES\BRISOLE]
//   TYPE=INTRBASE
//   SERVER NAME=srv1
//
// Texts are stored as the engine received them (OEM code page).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct EngineAlias {
  std::string name;
  std::string driverType;
  std::vector<std::pair<std::string, std::string>> parameters;  // in the order received
};

struct EngineConfiguration {
  std::vector<EngineAlias> aliases;

  // Alias names compare without regard to ASCII letter case.
  EngineAlias* Find(std::string_view name);
  const EngineAlias* Find(std::string_view name) const;
  bool Remove(std::string_view name);
};

// None when the text is not a configuration (a line that is neither a
// comment, a section, a key=value pair nor blank; a key outside a section).
std::optional<EngineConfiguration> ParseEngineConfiguration(std::string_view text);
std::string FormatEngineConfiguration(const EngineConfiguration& configuration);

bool SameAliasName(std::string_view a, std::string_view b);

#include "platform/idapi/IdapiConfigFile.h"

namespace {

constexpr std::string_view kHeader = "; Stand-in database engine configuration";
constexpr std::string_view kDatabasesSection = "DATABASES\\";
constexpr std::string_view kTypeKey = "TYPE";

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

}  // namespace

bool SameAliasName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

EngineAlias* EngineConfiguration::Find(std::string_view name) {
  for (auto& alias : aliases) {
    if (SameAliasName(alias.name, name)) return &alias;
  }
  return nullptr;
}

const EngineAlias* EngineConfiguration::Find(std::string_view name) const {
  return const_cast<EngineConfiguration*>(this)->Find(name);
}

bool EngineConfiguration::Remove(std::string_view name) {
  for (auto it = aliases.begin(); it != aliases.end(); ++it) {
    if (SameAliasName(it->name, name)) {
      aliases.erase(it);
      return true;
    }
  }
  return false;
}

std::optional<EngineConfiguration> ParseEngineConfiguration(std::string_view text) {
  EngineConfiguration configuration;
  EngineAlias* current = nullptr;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return std::nullopt;
      const std::string_view section = line.substr(1, line.size() - 2);
      if (section.substr(0, kDatabasesSection.size()) != kDatabasesSection ||
          section.size() == kDatabasesSection.size()) {
        return std::nullopt;
      }
      configuration.aliases.push_back(
          {std::string(section.substr(kDatabasesSection.size())), {}, {}});
      current = &configuration.aliases.back();
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos || !current) return std::nullopt;
    const std::string key(Trimmed(line.substr(0, equals)));
    const std::string value(line.substr(equals + 1));
    if (key == kTypeKey) {
      current->driverType = value;
    } else {
      current->parameters.emplace_back(key, value);
    }
  }
  return configuration;
}

std::string FormatEngineConfiguration(const EngineConfiguration& configuration) {
  std::string text(kHeader);
  text += "\r\n";
  for (const auto& alias : configuration.aliases) {
    text += "[";
    text += kDatabasesSection;
    text += alias.name + "]\r\n";
    text += std::string(kTypeKey) + "=" + alias.driverType + "\r\n";
    for (const auto& [name, value] : alias.parameters) text += name + "=" + value + "\r\n";
  }
  return text;
}

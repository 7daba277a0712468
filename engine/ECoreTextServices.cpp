#include <cctype>
#include <cstring>

#include "engine/ECoreServices.h"

bool IsVariableNameCharacter(char c) {
  // strchr also finds the terminating zero: rule it out first.
  return c != '\0' && (std::isalnum(static_cast<unsigned char>(c)) ||
                       std::strchr("_-.()$#@{}[]!~", c) != nullptr);
}

std::string ExpandVariables(std::string_view text, const TVariableReader& readVariable) {
  std::string result;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] != '%') {
      result += text[at++];
      continue;
    }
    std::size_t end = at + 1;
    while (end < text.size() && IsVariableNameCharacter(text[end])) ++end;
    if (end < text.size() && text[end] == '%' && end > at + 1) {
      result += readVariable(text.substr(at + 1, end - at - 1));
      at = end + 1;
    } else {
      result.append(text.substr(at, end - at));
      at = end;
    }
  }
  return result;
}

std::string NormaliseVersionText(std::string_view version) {
  const auto pad = [](std::string_view part) {
    return std::string(part.size() < 5 ? 5 - part.size() : 0, '0') + std::string(part);
  };
  std::string normalised;
  int parts = 0;
  while (true) {
    const std::size_t dot = version.find('.');
    const std::string_view part = version.substr(0, dot);
    if (parts++ > 0) normalised += '.';
    const std::size_t blank = part.find(' ');
    if (dot == std::string_view::npos && blank != std::string_view::npos)
      normalised += pad(part.substr(0, blank)) + std::string(part.substr(blank));
    else
      normalised += pad(part);
    if (dot == std::string_view::npos) break;
    version.remove_prefix(dot + 1);
  }
  for (; parts < 4; ++parts) normalised += ".00000";
  return normalised;
}

bool CompareVersions(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return false;
  return NormaliseVersionText(b) > NormaliseVersionText(a);
}

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '\r' && text[at] != '\n') continue;
    lines.emplace_back(text.substr(start, at - start));
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
    start = at + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string FileNameSafeText(std::string_view text) {
  std::string safe(text);
  for (char& c : safe)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') c = '_';
  return safe;
}

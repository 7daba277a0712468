#include "delivery/EWebToolsTrackersTexts.h"

#include <algorithm>
#include <cctype>

std::string TrackerBugTitle(std::string_view version, std::string_view className,
                            std::string_view bugId) {
  std::string title = "[v";
  title.append(version).append(" - 1]: ").append(TrackerSearchText(className, bugId));
  return title;
}

std::string TrackerSearchText(std::string_view className, std::string_view bugId) {
  std::string text(className);
  text.append(" (").append(bugId).append(")");
  return text;
}

std::string TrackerDescription(std::string_view message, std::string_view reproduceText) {
  std::string text(message);
  if (!reproduceText.empty()) text.append("\r\n\r\n---\r\n\r\n").append(reproduceText);
  return text;
}

std::vector<std::string> TrackerCustomFields(std::vector<std::string> subscriberLines,
                                             std::string_view trialAccount, std::string_view osType,
                                             std::string_view osBuild,
                                             std::string_view reproduceNote) {
  const auto line = [](std::string_view name, std::string_view value) {
    std::string text(name);
    text.append("=").append(value);
    return text;
  };
  subscriberLines.push_back(line(kTrialIdField, trialAccount));
  subscriberLines.push_back(line(kOsTypeField, osType));
  subscriberLines.push_back(line(kOsBuildField, osBuild));
  subscriberLines.push_back(line(kReproduceTextField, reproduceNote));
  return subscriberLines;
}

std::string CustomFieldValue(const std::vector<std::string>& lines, std::string_view name) {
  // The fixed lines come last, so a subscriber's line of the same name
  // cannot stand in for them.
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line->size() > name.size() && line->compare(0, name.size(), name) == 0 &&
        (*line)[name.size()] == '=')
      return line->substr(name.size() + 1);
    if (*line == name) return {};
  }
  return {};
}

int TrackerResultTextNumber(int resultCode) {
  switch (resultCode) {
    case trFiled:
      return -1;
    case trBugClosed:
      return 146;
    case trLoginRefused:
      return 148;
    case trProjectRefused:
      return 150;
    case trSearchRefused:
      return 149;
    case trInsertRefused:
      return 151;
    case trModifyRefused:
      return 152;
    default:
      return 147;  // unknown error, also for codes the senders never give
  }
}

std::optional<std::string> TextUpToQuote(std::string_view text, std::string_view marker) {
  const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  const auto found = std::search(text.begin(), text.end(), marker.begin(), marker.end(),
                                 [&](char a, char b) { return lower(a) == lower(b); });
  if (found == text.end() || marker.empty()) return std::nullopt;
  const std::string_view rest = text.substr(found - text.begin() + marker.size());
  return std::string(rest.substr(0, rest.find('"')));
}

#include "report/ELogManagerItems.h"

#include <optional>
#include <vector>

#include "report/ELogManagerFormat.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kValueStart = ": ";

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string Trimmed(std::string_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

std::string ItemKey(std::string_view item) {
  std::string key = "\r\n  ";
  key += item;
  key += ' ';
  return key;
}

// Where the item's line starts (after its CR LF) and where its value starts.
struct TItemPlace {
  std::size_t line;
  std::size_t value;
};

std::optional<TItemPlace> FindItem(std::string_view report, std::string_view item) {
  const std::string key = ItemKey(item);
  const std::size_t at = report.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  const std::size_t colon = report.find(kValueStart, at + key.size());
  if (colon == std::string_view::npos) return std::nullopt;
  return TItemPlace{at + kLineBreak.size(), colon + kValueStart.size()};
}

char At(std::string_view text, std::size_t at) {
  return at < text.size() ? text[at] : '\0';
}

// Reading: a value ends at a CR LF followed by another CR LF or by the line
// of the next item (two spaces, the fourth character no space); continuation
// lines have four or more leading spaces.
std::size_t ReadValueEnd(std::string_view report, std::size_t from) {
  for (std::size_t at = report.find(kLineBreak, from); at != std::string_view::npos;
       at = report.find(kLineBreak, at + 1)) {
    const std::size_t next = at + kLineBreak.size();
    if (report.substr(next, 2) == kLineBreak) return at;
    if (At(report, next) == ' ' && At(report, next + 1) == ' ' && next + 3 < report.size() &&
        report[next + 3] != ' ')
      return at;
  }
  return report.size();
}

// Replacing: a value ends at a CR LF followed by anything but a space, or by
// two spaces and then anything but a space.
std::size_t ReplacedValueEnd(std::string_view report, std::size_t from) {
  for (std::size_t at = report.find(kLineBreak, from); at != std::string_view::npos;
       at = report.find(kLineBreak, at + 1)) {
    const std::size_t next = at + kLineBreak.size();
    if (next >= report.size() || report[next] != ' ') return at;
    if (At(report, next + 1) == ' ' && At(report, next + 2) != ' ') return at;
  }
  return report.size();
}

// The value's characters with the continuation indentation and lone CRs
// dropped, then the block encoding undone.
std::string DecodedValue(std::string_view raw) {
  std::string copied;
  for (std::size_t at = 0; at < raw.size(); ++at) {
    if (raw[at] != '\r') {
      copied += raw[at];
    } else if (At(raw, at + 1) == '\n') {
      copied += kLineBreak;
      ++at;
      while (At(raw, at + 1) == ' ') ++at;
    }
  }
  for (std::size_t at = 0; at < copied.size(); ++at) {
    const char c = copied[at];
    if (c == '_' && at > 0 && copied[at - 1] == ':') copied[at] = ' ';
    if (c == '.' && ((at > 0 && copied[at - 1] == '\n') || At(copied, at + 1) == '\r'))
      copied[at] = ' ';
  }
  return Trimmed(copied);
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find(kLineBreak, start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + kLineBreak.size();
  }
  return lines;
}

std::string ReplacedEvery(std::string_view text, std::string_view part, std::string_view by) {
  std::string result;
  std::size_t start = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos;
       at = text.find(part, start)) {
    result.append(text, start, at - start);
    result += by;
    start = at + part.size();
  }
  result.append(text, start);
  return result;
}

std::string PaddedTo(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

// Adds a hidden item as the last line of its section, aligned with the last
// of the section's first 19 items that the report shows.
bool AddItemToSection(std::string& report, std::string_view item, std::string_view value,
                      std::string_view label) {
  const std::size_t dot = item.find('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view prefix = item.substr(0, dot + 1);
  std::optional<std::size_t> last;
  std::size_t width = 0;
  for (int number = 1; number <= 19; ++number) {
    const std::string sibling = std::string(prefix) + std::to_string(number);
    const std::string key = ItemKey(sibling);
    const std::size_t at = report.find(key);
    if (at == std::string::npos) continue;
    const std::size_t numberStart = at + 4;  // after CR LF and two spaces
    const std::size_t colon = report.find(kValueStart, numberStart);
    if (colon == std::string::npos) continue;
    last = at;
    width = colon - numberStart;
  }
  if (!last) return false;
  const std::size_t blank = report.find("\r\n\r\n", *last + kLineBreak.size());
  if (blank == std::string::npos) return false;
  std::string line = "  " + PaddedTo(std::string(item) + " " + std::string(label), width);
  line += kValueStart;
  line += value;
  line += kLineBreak;
  report.insert(blank + kLineBreak.size(), line);
  return true;
}

}  // namespace

std::string ReportItemValue(std::string_view report, std::string_view item) {
  const std::optional<TItemPlace> place = FindItem(report, item);
  if (!place) return {};
  const std::size_t end = ReadValueEnd(report, place->value);
  return DecodedValue(report.substr(place->value, end - place->value));
}

bool SetReportItemValue(std::string& report, std::string_view item, std::string_view value,
                        std::string_view label) {
  const std::optional<TItemPlace> place = FindItem(report, item);
  if (!place) return AddItemToSection(report, item, value, label);
  const std::size_t end = ReplacedValueEnd(report, place->value);
  report.replace(place->value, end - place->value, value);
  if (!report.ends_with(kStoredReportEnd)) report += kLineBreak;
  return true;
}

bool ReportItemIs(std::string_view report, std::string_view item, std::string_view value) {
  const std::optional<TItemPlace> place = FindItem(report, item);
  if (!place) return false;
  // The stored value, then the end of the item: a block value's first line
  // alone is not the value.
  const std::string expected = StoredItemValue(value, place->value - place->line);
  return report.substr(place->value).starts_with(expected) &&
         report.substr(place->value + expected.size()).starts_with(kLineBreak) &&
         ReadValueEnd(report, place->value) == place->value + expected.size();
}

std::string StoredItemValue(std::string_view value, std::size_t valueColumn) {
  const std::string normalised = NormaliseLineBreaks(value);
  if (normalised.find(kLineBreak) == std::string::npos) return normalised;
  const std::string encoded = ReplacedEvery(normalised, kValueStart, ":_");
  std::string block;
  bool first = true;
  for (std::string_view line : Lines(encoded)) {
    if (!first) {
      block += kLineBreak;
      block.append(valueColumn, ' ');
    }
    block += Trimmed(line).empty() ? std::string_view(".") : line;
    first = false;
  }
  return block;
}

std::string ReportFirstLine(std::string_view report) {
  for (std::string_view line : Lines(report))
    if (!Trimmed(line).empty()) return std::string(line);
  return {};
}

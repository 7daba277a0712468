#include "report/ELogItem.h"

#include <algorithm>
#include <vector>

#include "engine/ECoreServices.h"
#include "platform/runtime/TextTrim.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kValueMark = ": ";

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// A value of several lines: ": " written ":_" (so that only the label's
// colon counts when the section is aligned), blank lines ".", the lines after
// the first indented by one space.
std::string BlockValue(std::string_view value) {
  const std::vector<std::string> lines = SplitTextLines(ReplaceAll(std::string(value), ": ", ":_"));
  std::string block;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) block += std::string(kLineEnd) + " ";
    block += TrimBlanks(lines[i]).empty() ? "." : lines[i];
  }
  return block;
}

// A section title is the line AddHeader wrote: its first ":" is its last
// character and the dash line follows it. (The dash line is what tells a
// title from a line of a block value that happens to end in ":"; such a
// line always starts with a blank.)
bool IsTitle(const std::vector<std::string>& lines, std::size_t at) {
  const std::string& line = lines[at];
  return !line.empty() && line.find(':') == line.size() - 1 && at + 1 < lines.size() &&
         lines[at + 1] == "-";
}

// The item lines of the section titled at `title`: from two lines below it
// to the next empty line or the end.
std::size_t ItemsEnd(const std::vector<std::string>& lines, std::size_t title) {
  std::size_t end = title + 2;
  while (end < lines.size() && !lines[end].empty()) ++end;
  return end;
}

// An empty section goes with its title, its dash line and one blank line:
// the one after it, or, for the last section, the one before it.
void DropEmptySections(std::vector<std::string>& lines) {
  for (std::size_t at = 0; at < lines.size();) {
    if (!IsTitle(lines, at) || (at + 2 < lines.size() && !lines[at + 2].empty())) {
      ++at;
      continue;
    }
    if (at + 2 < lines.size()) {
      lines.erase(lines.begin() + at, lines.begin() + at + 3);
    } else {
      lines.erase(lines.begin() + at, lines.end());
      if (at > 0 && lines[at - 1].empty()) lines.erase(lines.begin() + at - 1);
    }
  }
}

// Puts the first ": " of every item line at the same column; a line without
// one (a block value's continuation) moves under the values.
void AlignSection(std::vector<std::string>& lines, std::size_t from, std::size_t end) {
  std::size_t column = 0;  // 1-based position of the ":" of the first ": "
  for (std::size_t i = from; i < end; ++i) {
    const auto mark = lines[i].find(kValueMark);
    if (mark != std::string::npos) column = std::max(column, mark + 1);
  }
  for (std::size_t i = from; i < end; ++i) {
    const auto mark = lines[i].find(kValueMark);
    if (mark == std::string::npos) {
      lines[i].insert(0, column, ' ');
    } else {
      lines[i].insert(mark, column - (mark + 1), ' ');
    }
  }
}

}  // namespace

TLogItem::TLogItem(int firstSectionMinusOne) : section_(firstSectionMinusOne) {}

void TLogItem::AddHeader(std::string_view title) {
  ++section_;
  item_ = 0;
  if (!text_.empty()) text_ += "\r\n\r\n";
  text_ += title;
  text_ += ":\r\n-";
}

void TLogItem::AddItem(std::string_view label, std::string_view value, bool visible) {
  ++item_;
  if (!visible) return;
  std::string normal = NormaliseLineBreaks(value);
  if (normal.find(kLineEnd) != std::string::npos) normal = BlockValue(normal);
  text_ += kLineEnd;
  text_ += "  " + std::to_string(section_) + "." + std::to_string(item_) + " ";
  text_ += label;
  text_ += kValueMark;
  text_ += normal;
}

std::string TLogItem::GetText() const {
  std::vector<std::string> lines = SplitTextLines(text_);
  DropEmptySections(lines);
  for (std::size_t at = 0; at < lines.size(); ++at) {
    if (!IsTitle(lines, at)) continue;
    const std::size_t end = ItemsEnd(lines, at);
    AlignSection(lines, at + 2, end);
    std::size_t longest = 0;
    for (std::size_t i = at + 2; i < end; ++i) longest = std::max(longest, lines[i].size());
    lines[at + 1] = std::string(longest, '-');
    at = end - 1;
  }
  std::string text;
  for (const std::string& line : lines) text += line + std::string(kLineEnd);
  return text;
}

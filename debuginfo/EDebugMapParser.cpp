#include "debuginfo/EDebugMapParser.h"

namespace {

bool IsWhite(char c) {
  return c == ' ' || (c >= 9 && c <= 13);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && static_cast<unsigned char>(line.front()) <= ' ') line.remove_prefix(1);
  while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ') line.remove_suffix(1);
  return line;
}

constexpr std::string_view kLineNumbersFor = "Line numbers for";

}  // namespace

bool TELAbstractMapParser::AtDigit() const {
  return !AtEnd() && text_[cursor_] >= '0' && text_[cursor_] <= '9';
}

void TELAbstractMapParser::SkipWhiteSpace() {
  while (!AtEnd() && IsWhite(text_[cursor_])) ++cursor_;
}

void TELAbstractMapParser::SkipLine() {
  const auto lf = text_.find('\n', cursor_);
  cursor_ = lf == std::string::npos ? text_.size() : lf + 1;
  SkipWhiteSpace();
}

std::uint32_t TELAbstractMapParser::ReadHex() {
  std::uint32_t value = 0;
  while (!AtEnd() && HexValue(text_[cursor_]) >= 0) {
    value = value * 16 + static_cast<std::uint32_t>(HexValue(text_[cursor_]));
    ++cursor_;
  }
  if (!AtEnd() && (text_[cursor_] == 'H' || text_[cursor_] == 'h')) ++cursor_;
  return value;
}

std::int32_t TELAbstractMapParser::ReadDecimal() {
  // Every digit is consumed; a number beyond the 32-bit range stays at its
  // largest value instead of overflowing.
  constexpr std::int32_t kLargest = 0x7FFFFFFF;
  std::int32_t value = 0;
  while (AtDigit()) {
    const int digit = text_[cursor_++] - '0';
    value = value > (kLargest - digit) / 10 ? kLargest : value * 10 + digit;
  }
  return value;
}

TMapAddress TELAbstractMapParser::ReadAddress() {
  TMapAddress address;
  address.Segment = ReadHex();
  if (!AtEnd() && text_[cursor_] == ':') {
    ++cursor_;
    address.Offset = ReadHex();
  }
  return address;
}

TMapNamePos TELAbstractMapParser::ReadWord() {
  const TMapNamePos start = cursor_;
  while (!AtEnd() && !IsWhite(text_[cursor_])) ++cursor_;
  return start;
}

TMapNamePos TELAbstractMapParser::WordAfter(std::string_view marker) {
  const auto at = text_.find(marker, cursor_);
  if (at == std::string::npos) return text_.size();
  cursor_ = at + marker.size();
  return ReadWord();
}

std::string TELAbstractMapParser::NameText(TMapNamePos position) const {
  if (position >= text_.size()) return {};
  if (text_[position] == '(') {
    auto end = text_.find_first_of(")\r", position + 1);
    if (end == std::string::npos) end = text_.size();
    return text_.substr(position + 1, end - position - 1);
  }
  auto end = text_.find_first_of("\r (", position);
  if (end == std::string::npos) end = text_.size();
  return text_.substr(position, end - position);
}

bool TELAbstractMapParser::FindSection(const std::array<std::string_view, 4>& headerWords) {
  while (!AtEnd()) {
    auto lineEnd = text_.find('\r', cursor_);
    if (lineEnd == std::string::npos) lineEnd = text_.size();
    const std::string_view line =
        Trimmed(std::string_view(text_).substr(cursor_, lineEnd - cursor_));
    std::size_t from = 0;
    bool matches = true;
    for (auto word : headerWords) {
      const auto at = line.find(word, from);
      if (at == std::string_view::npos) {
        matches = false;
        break;
      }
      from = at + word.size();
    }
    SkipLine();
    if (matches) return true;
  }
  return false;
}

void TELAbstractMapParser::ReadSection(TSection section) {
  while (AtDigit()) {
    const TMapAddress address = ReadAddress();
    SkipWhiteSpace();
    switch (section) {
      case TSection::SegmentClass: {
        const std::uint32_t length = ReadHex();
        SkipWhiteSpace();
        const TMapNamePos name = ReadWord();
        SkipWhiteSpace();
        const TMapNamePos className = ReadWord();
        OnSegmentClassLine(address, length, name, className);
        break;
      }
      case TSection::DetailedSegments: {
        const std::uint32_t length = ReadHex();
        const TMapNamePos className = WordAfter("C=");
        const TMapNamePos unitName = WordAfter("M=");
        OnSegmentLine(address, length, className, unitName);
        break;
      }
      case TSection::PublicsByName:
        OnPublicByName(address, ReadWord());
        break;
      case TSection::PublicsByValue:
        OnPublicByValue(address, ReadWord());
        break;
    }
    SkipLine();
  }
}

void TELAbstractMapParser::ReadLineNumbers() {
  for (;;) {
    SkipWhiteSpace();
    if (std::string_view(text_).substr(cursor_).substr(0, kLineNumbersFor.size()) !=
        kLineNumbersFor) {
      return;
    }
    cursor_ += kLineNumbersFor.size();
    SkipWhiteSpace();
    const TMapNamePos unitName = cursor_;
    const auto parenthesis = text_.find('(', cursor_);
    const TMapNamePos unitFileName = parenthesis == std::string::npos ? text_.size() : parenthesis;
    SkipLine();
    OnLineNumbersUnit(unitName, unitFileName);
    while (AtDigit()) {
      SkipWhiteSpace();
      const std::int32_t lineNumber = ReadDecimal();
      SkipWhiteSpace();
      const TMapAddress address = ReadAddress();
      SkipWhiteSpace();
      OnLineNumber(lineNumber, address);
    }
  }
}

void TELAbstractMapParser::Parse() {
  cursor_ = 0;
  struct TSectionHeader {
    std::array<std::string_view, 4> Words;
    TSection Section;
  };
  const TSectionHeader headers[] = {
      {{"Start", "Length", "Name", "Class"}, TSection::SegmentClass},
      {{"Detailed", "map", "of", "segments"}, TSection::DetailedSegments},
      {{"Address", "Publics", "by", "Name"}, TSection::PublicsByName},
      {{"Address", "Publics", "by", "Value"}, TSection::PublicsByValue},
  };
  for (const auto& header : headers) {
    // A missing table leaves the cursor where the search began, so the
    // tables after it are still found.
    const std::size_t searchStart = cursor_;
    if (FindSection(header.Words)) {
      SkipWhiteSpace();
      ReadSection(header.Section);
    } else {
      cursor_ = searchStart;
    }
  }
  ReadLineNumbers();
}

// The walk over a linker map text: finds the segment, detailed segment and
// two publics tables and the "Line numbers for" blocks, and hands each data
// line to a handler. Pure; the text is kept whole because names are handed
// out as positions in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <array>

struct TMapAddress {
  std::uint32_t Segment = 0;
  std::uint32_t Offset = 0;
};

// A name as a position in the map text.
using TMapNamePos = std::size_t;

class TELAbstractMapParser {
 public:
  explicit TELAbstractMapParser(std::string text) : text_(std::move(text)) {}
  virtual ~TELAbstractMapParser() = default;

  // Runs the handlers over the whole text once.
  void Parse();
  // A name position as text: "(text)" gives the text between the
  // parentheses, anything else runs up to a carriage return, space or "(".
  std::string NameText(TMapNamePos position) const;
  const std::string& Text() const { return text_; }

 protected:
  virtual void OnSegmentClassLine(TMapAddress address, std::uint32_t length, TMapNamePos name,
                                  TMapNamePos className) = 0;
  virtual void OnSegmentLine(TMapAddress address, std::uint32_t length, TMapNamePos className,
                             TMapNamePos unitName) = 0;
  virtual void OnPublicByName(TMapAddress address, TMapNamePos name) = 0;
  virtual void OnPublicByValue(TMapAddress address, TMapNamePos name) = 0;
  virtual void OnLineNumbersUnit(TMapNamePos unitName, TMapNamePos unitFileName) = 0;
  virtual void OnLineNumber(std::int32_t lineNumber, TMapAddress address) = 0;

 private:
  enum class TSection { SegmentClass, DetailedSegments, PublicsByName, PublicsByValue };

  bool FindSection(const std::array<std::string_view, 4>& headerWords);
  void ReadSection(TSection section);
  void ReadLineNumbers();

  bool AtEnd() const { return cursor_ >= text_.size(); }
  bool AtDigit() const;
  void SkipWhiteSpace();
  void SkipLine();
  std::uint32_t ReadHex();
  std::int32_t ReadDecimal();
  TMapAddress ReadAddress();
  TMapNamePos ReadWord();
  TMapNamePos WordAfter(std::string_view marker);

  std::string text_;
  std::size_t cursor_ = 0;
};

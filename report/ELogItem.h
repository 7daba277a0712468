// TLogItem, the writer of the report's numbered sections: "Title:" with a
// dash line, then items "  <section>.<item> <label>: <value>". Items are
// numbered whether shown or not, so a number names the same item in every
// report (1.3 the version, 2.7 the bug identifier, 3.3 the user's e-mail),
// whatever is hidden. GetText drops the sections left empty, aligns the
// values of each section in one column and sizes its dash line.
//
// Pure; allocates, so it runs in the handling thread, never inside a handler
// that forbids the heap. Never raises except by running out of memory.
#pragma once

#include "platform/runtime/LineBreaks.h"

#include <string>
#include <string_view>

class TLogItem {
 public:
  // The first section gets number firstSectionMinusOne + 1.
  explicit TLogItem(int firstSectionMinusOne);

  // Starts the next section.
  void AddHeader(std::string_view title);
  // Adds the next item of the current section; a hidden one only takes its
  // number. A value of several lines becomes a block: its ": " are written
  // ":_", blank lines ".", and the lines after the first stand under it.
  void AddItem(std::string_view label, std::string_view value, bool visible);
  // The finished text, every line ending in CR LF.
  std::string GetText() const;

 private:
  std::string text_;
  int section_;
  int item_ = 0;
};

// The one table form of the report's call stack, modules and processes
// blocks. Each column is as wide as its title, raised to its longest cell
// (and to a minimum); a cell is never cut. Rows are "|" + the cells padded
// with spaces + "|", the rule line is a row's width of "-".
//
// Pure; allocates; never raises except by running out of memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TReportTable {
 public:
  TReportTable(std::vector<std::string> titles, std::vector<std::size_t> minimumWidths);

  // Raises the column widths to the cells of one row.
  void Measure(const std::vector<std::string>& cells);
  std::size_t Width(std::size_t column) const { return widths_[column]; }
  // Characters of a row without its CR LF.
  std::size_t RowWidth() const;

  // The block's start: "title:", the rule, the column titles, the rule. The
  // text is reserved for `rows` more rows.
  std::string Head(std::string_view title, std::size_t rows) const;
  // A data row, CR LF included.
  void AppendRow(std::string& text, const std::vector<std::string>& cells) const;
  // One cell across the row ("|" + `cell` padded + "|"), CR LF included.
  void AppendSpanningRow(std::string& text, std::string_view cell) const;
  // "|" + `fill` repeated + "|", CR LF included.
  void AppendFilledRow(std::string& text, char fill) const;
  // The block's end: the rule and an empty line.
  void AppendFoot(std::string& text) const;

 private:
  std::vector<std::string> titles_;
  std::vector<std::size_t> widths_;
};

// Module and process data in a cell: every CR, LF and "|" becomes "?".
std::string TableCellText(std::string_view text);

#include "report/EReportTable.h"

#include <algorithm>

namespace {

constexpr std::string_view kLineEnd = "\r\n";

void AppendPadded(std::string& text, std::string_view cell, std::size_t width) {
  text += cell;
  if (cell.size() < width) text.append(width - cell.size(), ' ');
}

}  // namespace

TReportTable::TReportTable(std::vector<std::string> titles, std::vector<std::size_t> minimumWidths)
    : titles_(std::move(titles)), widths_(std::move(minimumWidths)) {
  widths_.resize(titles_.size(), 0);
  for (std::size_t i = 0; i < titles_.size(); ++i)
    widths_[i] = std::max(widths_[i], titles_[i].size());
}

void TReportTable::Measure(const std::vector<std::string>& cells) {
  for (std::size_t i = 0; i < cells.size() && i < widths_.size(); ++i)
    widths_[i] = std::max(widths_[i], cells[i].size());
}

std::size_t TReportTable::RowWidth() const {
  std::size_t width = widths_.size() + 1;
  for (std::size_t column : widths_) width += column;
  return width;
}

std::string TReportTable::Head(std::string_view title, std::size_t rows) const {
  const std::string rule(RowWidth(), '-');
  std::string text;
  text.reserve(title.size() + (rows + 5) * (RowWidth() + kLineEnd.size()));
  text += title;
  text += ":";
  text += kLineEnd;
  text += rule + std::string(kLineEnd);
  AppendRow(text, titles_);
  text += rule + std::string(kLineEnd);
  return text;
}

void TReportTable::AppendRow(std::string& text, const std::vector<std::string>& cells) const {
  text += '|';
  for (std::size_t i = 0; i < widths_.size(); ++i) {
    AppendPadded(text, i < cells.size() ? std::string_view(cells[i]) : std::string_view(),
                 widths_[i]);
    text += '|';
  }
  text += kLineEnd;
}

void TReportTable::AppendSpanningRow(std::string& text, std::string_view cell) const {
  text += '|';
  AppendPadded(text, cell, RowWidth() - 2);
  text += '|';
  text += kLineEnd;
}

void TReportTable::AppendFilledRow(std::string& text, char fill) const {
  text += '|';
  text.append(RowWidth() - 2, fill);
  text += '|';
  text += kLineEnd;
}

void TReportTable::AppendFoot(std::string& text) const {
  text.append(RowWidth(), '-');
  text += kLineEnd;
  text += kLineEnd;
}

std::string TableCellText(std::string_view text) {
  std::string cell(text);
  for (char& c : cell)
    if (c == '\r' || c == '\n' || c == '|') c = '?';
  return cell;
}

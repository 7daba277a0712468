// The call stack, modules and processes blocks of the report.
#include <cstdio>

#include "debuginfo/ESnapshotTexts.h"
#include "platform/runtime/PathText.h"
#include "report/EReportSections.h"
#include "report/EReportTable.h"

namespace {

constexpr int kCallStackTitleText = 8;
constexpr int kModulesTitleText = 10;
constexpr int kProcessesTitleText = 12;
constexpr int kModuleColumnTexts = 126;   // 126 to 132
constexpr int kProcessColumnTexts = 133;  // 133 to 140
constexpr std::size_t kAddressWidth = 8;

std::vector<std::string> Titles(const TDovaroModuleOptions& options, int first, int count) {
  std::vector<std::string> titles;
  for (int i = 0; i < count; ++i) titles.push_back(options.Text(first + i));
  return titles;
}

std::vector<std::string> StackCells(const TCodeLocation& item) {
  TStackRowTexts row = StackRowTexts(item);
  return {std::move(row.Address), std::move(row.Module),    std::move(row.Unit),
          std::move(row.Class),   std::move(row.Procedure), std::move(row.Line)};
}

// The handle in upper-case hexadecimal, zero-padded to its column.
std::string HandleCell(std::uintptr_t handle, std::size_t width) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%0*X", static_cast<int>(width),
                static_cast<unsigned>(handle));
  return digits;
}

std::vector<std::string> ModuleCells(const TModuleRow& module, std::size_t handleWidth) {
  return {HandleCell(module.Handle, handleWidth),
          TableCellText(ExtractFileName(module.FileName)),
          TableCellText(module.Description),
          TableCellText(module.Version),
          std::to_string(module.Size),
          DateTimeText(module.LastModified),
          TableCellText(FolderText(module.FileName))};
}

std::vector<std::string> ProcessCells(const TDovaroProcessInfo& process) {
  return {std::to_string(process.ProcessId),    TableCellText(ExtractFileName(process.Path)),
          TableCellText(process.Description),   TableCellText(process.Version),
          std::to_string(process.Memory),       PriorityText(process.PriorityClass),
          ThreadCountText(process.ThreadCount), TableCellText(FolderText(process.Path))};
}

// A block of plain rows: measured first, then written.
std::string PlainBlock(const std::string& title, TReportTable& table,
                       const std::vector<std::vector<std::string>>& rows) {
  for (const auto& cells : rows) table.Measure(cells);
  std::string text = table.Head(title, rows.size());
  for (const auto& cells : rows) table.AppendRow(text, cells);
  table.AppendFoot(text);
  return text;
}

}  // namespace

std::string CallStackBlock(const TDovaroStackList& stack, const TDovaroModuleOptions& options,
                           IStackThreadFacts& threads) {
  TReportTable table(Titles(options, kStackColumnCaptionTexts, kStackColumnCount), {kAddressWidth});
  std::vector<const TCodeLocation*> visible;
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < stack.Count(); ++i) {
    if (!RowVisible(stack[i], options)) continue;
    visible.push_back(&stack[i]);
    rows.push_back(StackCells(stack[i]));
    table.Measure(rows.back());
  }
  std::size_t blocks = 0;
  for (std::size_t i = 0; i < visible.size(); ++i)
    if (StartsThreadBlock(*visible[i], i ? visible[i - 1] : nullptr)) ++blocks;
  // Each block adds at most four rows of its own: separator, blank, header
  // and separator.
  std::string text = table.Head(options.Text(kCallStackTitleText), rows.size() + 4 * blocks);
  for (std::size_t i = 0; i < visible.size(); ++i) {
    const TCodeLocation& item = *visible[i];
    if (StartsThreadBlock(item, i ? visible[i - 1] : nullptr)) {
      if (i > 0) {
        table.AppendFilledRow(text, '-');
        if (item.StackOrigin != 0) table.AppendFilledRow(text, ' ');
      }
      table.AppendSpanningRow(text, ThreadHeaderText(item, true, options, threads));
      table.AppendFilledRow(text, '-');
    }
    table.AppendRow(text, rows[i]);
  }
  table.AppendFoot(text);
  return text;
}

std::string ModulesBlock(const std::vector<TModuleRow>& modules,
                         const TDovaroModuleOptions& options) {
  TReportTable table(Titles(options, kModuleColumnTexts, 7), {kAddressWidth});
  // The handle cells are as wide as their column: its width is known first.
  const std::size_t handleWidth = table.Width(0);
  std::vector<std::vector<std::string>> rows;
  rows.reserve(modules.size());
  for (const TModuleRow& module : modules) rows.push_back(ModuleCells(module, handleWidth));
  return PlainBlock(options.Text(kModulesTitleText), table, rows);
}

std::string ProcessesBlock(const std::vector<TDovaroProcessInfo>& processes,
                           const TDovaroModuleOptions& options) {
  TReportTable table(Titles(options, kProcessColumnTexts, 8), {});
  std::vector<std::vector<std::string>> rows;
  rows.reserve(processes.size());
  for (const TDovaroProcessInfo& process : processes) rows.push_back(ProcessCells(process));
  return PlainBlock(options.Text(kProcessesTitleText), table, rows);
}

std::string EmptyBlock(const std::string& title) {
  return title + ":\r\n" + std::string(title.size() + 1, '-') + "\r\n\r\n";
}

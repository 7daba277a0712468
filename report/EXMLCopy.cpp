#include "report/EXMLCopy.h"

#include <cstdlib>
#include <optional>
#include <vector>

#include "debuginfo/EDebug.h"
#include "report/EBase64.h"
#include "report/EEncrypt.h"
#include "report/EXMLBuilder.h"

namespace {

using TLines = std::vector<std::string_view>;

TLines SplitLines(std::string_view text) {
  TLines lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsBlank(std::string_view line) {
  return Trim(line).empty();
}

bool IsDashLine(std::string_view line) {
  return !line.empty() && line.find_first_not_of('-') == std::string_view::npos;
}

// Characters from `from` (1-based), at most `count`.
std::string Columns(std::string_view line, std::size_t from, std::size_t count) {
  if (from == 0 || from > line.size()) return {};
  return std::string(line.substr(from - 1, count));
}

std::string AfterEquals(std::string_view text) {
  const std::size_t at = text.find('=');
  return at == std::string_view::npos ? std::string() : std::string(text.substr(at + 1));
}

std::vector<std::string> SplitTrimmed(std::string_view text, char separator, bool skipLeading) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.emplace_back(Trim(text.substr(start, end == std::string_view::npos ? end : end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (skipLeading && !parts.empty() && parts.front().empty()) parts.erase(parts.begin());
  if (!parts.empty() && parts.back().empty()) parts.pop_back();
  return parts;
}

std::vector<std::string> Cells(std::string_view row) {
  return SplitTrimmed(row, '|', true);
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// A block value read back: the full stops that stood for empty lines and the
// ":_" that stood for ": " are undone.
std::string UndoBlockForm(std::string value) {
  if (value.find("\r\n") == std::string::npos) return value;
  if (value.starts_with(".\r\n")) value.erase(0, 1);
  if (value.ends_with("\r\n.")) value.pop_back();
  value = ReplaceAll(std::move(value), ":_", ": ");
  std::string out;
  const TLines lines = SplitLines(value);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "\r\n";
    if (lines[i] != ".") out += lines[i];
  }
  if (value.ends_with("\r\n")) out += "\r\n";
  return out;
}

// --- the blocks of a report ---

struct TBlock {
  std::size_t Title = 0;  // line index of the title
  std::size_t End = 0;    // one past the last line
};

// A block starts at a title (a non-blank line ending with ":") after a blank
// line, followed by a line of dashes only.
bool IsBlockTitle(const TLines& lines, std::size_t i) {
  return i + 1 < lines.size() && (i == 0 || IsBlank(lines[i - 1])) && !IsBlank(lines[i]) &&
         lines[i].back() == ':' && IsDashLine(lines[i + 1]);
}

std::vector<std::string_view> TableRows(const TLines& lines, const TBlock& block) {
  std::vector<std::string_view> rows;
  // Title, rule, header, rule, then the rows up to the closing rule.
  if (block.Title + 2 >= block.End || !lines[block.Title + 2].starts_with('|')) return rows;
  for (std::size_t i = block.Title + 4; i < block.End && lines[i].starts_with('|'); ++i) {
    rows.push_back(lines[i]);
  }
  return rows;
}

std::vector<std::string_view> DataRows(const TLines& lines, const TBlock& block) {
  std::vector<std::string_view> rows;
  for (std::string_view row : TableRows(lines, block)) {
    if (!row.starts_with("|-")) rows.push_back(row);
  }
  return rows;
}

// --- protected names ---

bool IsPlainName(std::string_view name) {
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte > 126 || c == '?' || c == '"' || c == '|' || c == '\\' || c == '/')
      return false;
  }
  return true;
}

class TNameReader {
 public:
  explicit TNameReader(std::string_view password) : active_(!password.empty()) {
    if (active_) cipher_.SetKey(password);
  }
  // The name behind a protected text ("?" + Base64, pieces joined by "."),
  // or none when it is not one or does not turn into a plain name.
  std::optional<std::string> Reveal(std::string_view text, bool unit) const {
    if (!active_ || !text.starts_with('?')) return std::nullopt;
    std::string name;
    bool sourceLetter = false;
    std::size_t start = 0;
    for (bool first = true; start <= text.size(); first = false) {
      const std::size_t end = std::min(text.find('.', start), text.size());
      std::string_view piece = text.substr(start, end - start);
      if (!piece.starts_with('?')) return std::nullopt;
      piece.remove_prefix(1);
      if (unit && first && piece.starts_with('p')) {
        sourceLetter = true;
        piece.remove_prefix(1);
      }
      std::string bytes = Base64Decode(piece);
      if (bytes.empty()) return std::nullopt;
      cipher_.DecryptBuffer(bytes.data(), bytes.data(), bytes.size());
      if (!first) name += '.';
      name += bytes;
      start = end + 1;
    }
    if (unit && name.find('.') == std::string::npos) {
      name += sourceLetter ? SourceFileExtension : AltSourceFileExtension;
    }
    return name;
  }

 private:
  bool active_;
  TBlockCipher cipher_;
};

// --- the parts ---

using TGeneralValues = std::vector<std::pair<std::string, std::string>>;

// The general sections; returns each item's number and value.
TGeneralValues ReadGeneral(const TLines& lines, std::size_t end, TXMLItem& general) {
  TGeneralValues values;
  TXMLItem* group = nullptr;
  TXMLItem* pending = nullptr;
  std::string title, value;
  bool titleNext = true, skipDash = false, groupNamed = false;
  auto flush = [&] {
    if (pending) {
      values.back().second = UndoBlockForm(value);
      pending->AddAttribute("Value", values.back().second);
    }
    pending = nullptr;
    value.clear();
  };
  for (std::size_t i = 2; i < end; ++i) {
    const std::string_view line = lines[i];
    if (IsBlank(line)) {
      flush();
      titleNext = true;
      continue;
    }
    if (titleNext) {
      title = std::string(Trim(line));
      if (title.ends_with(':')) title.pop_back();
      group = &general.AddChild("Group");
      groupNamed = false;
      titleNext = false;
      skipDash = true;
      continue;
    }
    if (skipDash) {
      skipDash = false;
      continue;
    }
    const std::string_view text = Trim(line);
    const std::size_t colon = text.find(": ");
    if (colon != std::string_view::npos || text.ends_with(':')) {
      flush();
      const std::size_t labelEnd = colon != std::string_view::npos ? colon : text.size() - 1;
      const std::size_t space = std::min(text.find(' '), labelEnd);
      const std::string_view number = text.substr(0, space);
      if (!groupNamed) {
        group->AddAttribute("ID", number.substr(0, number.find('.')));
        group->AddAttribute("Label", title);
        groupNamed = true;
      }
      pending = &group->AddChild("Line");
      pending->AddAttribute("ID", number);
      values.emplace_back(std::string(number), std::string());
      pending->AddAttribute("Label", Trim(text.substr(space, labelEnd - space)));
      value = colon != std::string_view::npos ? std::string(text.substr(colon + 2)) : "";
    } else if (pending) {
      value += "\r\n";
      value += text;
    }
  }
  flush();
  return values;
}

void ReadCallStack(const TLines& lines, const TBlock& block, bool old, const TNameReader& names,
                   TXMLItem& callStack) {
  TXMLItem* current = nullptr;
  bool first = true, topLevel = false;
  for (std::string_view row : TableRows(lines, block)) {
    if (row.starts_with("|-")) continue;
    std::vector<std::string> cells = Cells(row);
    if (cells.size() < 6) {
      if (cells.empty() || cells[0].empty()) {
        topLevel = true;
        continue;
      }
      std::vector<std::string> parts{cells[0]};
      const std::size_t colon = cells[0].find(": ");
      if (colon != std::string::npos) {
        for (std::string& piece :
             SplitTrimmed(std::string_view(cells[0]).substr(colon + 2), ';', false)) {
          parts.push_back(std::move(piece));
        }
      }
      TXMLItem& thread = first                  ? callStack.AddChild("ExceptionThread")
                         : topLevel || !current ? callStack.AddChild("RunningThread")
                                                : current->AddChild("CallingThread");
      thread.AddAttribute("ID", parts.size() > 1 ? AfterEquals(parts[1]) : "");
      thread.AddAttribute("Priority", parts.size() > 2 ? AfterEquals(parts[2]) : "");
      thread.AddAttribute("Class", parts.size() > 3 ? AfterEquals(parts[3]) : "");
      thread.AddAttribute("MainThread", parts.size() >= 5 ? "True" : "False");
      current = &thread;
      first = topLevel = false;
      continue;
    }
    if (!current) {
      current = &callStack.AddChild("ExceptionThread");
      if (old) first = false;
    }
    std::string unit = cells[2], className = cells[3], procedure = cells[4];
    const auto revealedUnit = names.Reveal(unit, true);
    const auto revealedClass = names.Reveal(className, false);
    const auto revealedProcedure = names.Reveal(procedure, false);
    std::string newUnit = revealedUnit.value_or(unit), newClass = revealedClass.value_or(className),
                newProcedure = revealedProcedure.value_or(procedure);
    if (revealedProcedure) {
      const std::size_t dot = newProcedure.rfind('.');
      if (dot != std::string::npos) {
        newClass = newProcedure.substr(0, dot);
        newProcedure.erase(0, dot + 1);
      }
    }
    if ((revealedUnit || revealedClass || revealedProcedure) && IsPlainName(newUnit) &&
        IsPlainName(newClass) && IsPlainName(newProcedure)) {
      unit = newUnit;
      className = newClass;
      procedure = newProcedure;
    }
    if (procedure.starts_with('@')) procedure[0] = '_';
    const std::string& line = cells[5];
    const std::size_t bracket = line.find('[');
    TXMLItem& item = current->AddChild("Line");
    item.AddAttribute("Address", cells[0]);
    item.AddAttribute("Module", cells[1]);
    item.AddAttribute("Unit", unit);
    item.AddAttribute("Class", className);
    item.AddAttribute("Procedure", procedure);
    item.AddAttribute("Number", line.substr(0, bracket));
    item.AddAttribute("Offset", bracket == std::string::npos || line.size() < bracket + 2
                                    ? std::string()
                                    : line.substr(bracket + 1, line.size() - bracket - 2));
  }
}

void ReadTable(const TLines& lines, const TBlock& block, TXMLItem& parent, const char* element,
               const std::vector<const char*>& names, std::size_t pathCellIfShort) {
  for (std::string_view row : DataRows(lines, block)) {
    const std::vector<std::string> cells = Cells(row);
    TXMLItem& item = parent.AddChild(element);
    const bool shortRow = cells.size() < names.size() && pathCellIfShort > 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
      std::size_t cell = i;
      if (shortRow && i + 1 == names.size())
        cell = pathCellIfShort - 1;
      else if (shortRow && i + 2 == names.size())
        cell = names.size();  // no Modified column
      item.AddAttribute(names[i], cell < cells.size() ? cells[cell] : "");
    }
  }
}

void ReadAssembler(const TLines& lines, const TBlock& block, TXMLItem& assembler) {
  for (std::size_t i = block.Title + 2; i < block.End && !IsBlank(lines[i]); ++i) {
    const std::string_view line = lines[i];
    TXMLItem& item = assembler.AddChild("Line");
    if (Trim(line).starts_with(';')) {
      item.AddAttribute("Comment", Trim(line).substr(1));
      continue;
    }
    const std::size_t semicolon = line.find(';', 10);
    item.AddAttribute("Address", line.substr(0, 8));
    item.AddAttribute("Command", line.size() > 10
                                     ? line.substr(10, semicolon == std::string_view::npos
                                                           ? std::string_view::npos
                                                           : semicolon - 10)
                                     : std::string_view());
    item.AddAttribute("Comment", semicolon == std::string_view::npos ? std::string_view()
                                                                     : line.substr(semicolon + 1));
  }
}

void ReadCpu(const TLines& lines, const TBlock& block, TXMLItem& cpu) {
  TXMLItem& registers = cpu.AddChild("Registers");
  static constexpr const char* kLeft[] = {"EAX", "EBX", "ECX", "EDX"};
  static constexpr const char* kRight[] = {"EDI", "ESI", "ESP", "EIP"};
  for (int column = 0; column < 2; ++column) {
    for (std::size_t r = 0; r < 4; ++r) {
      const std::size_t index = block.Title + 2 + r;
      if (index >= block.End) break;
      const std::string value = Columns(lines[index], column == 0 ? 6 : 22, 8);
      if (value.size() == 8 && value != "????    ")
        registers.AddAttribute(column == 0 ? kLeft[r] : kRight[r], value);
    }
  }
  TXMLItem& stack = cpu.AddChild("Stack");
  TXMLItem& dump = cpu.AddChild("MemoryDump");
  for (std::size_t i = block.Title + 9; i < block.End && !IsBlank(lines[i]); ++i) {
    const std::string_view line = lines[i];
    TXMLItem& slot = stack.AddChild("Line");
    slot.AddAttribute("Address", Columns(line, 1, 8));
    slot.AddAttribute("Value", Columns(line, 11, 8));
    // The memory columns stand where the CPU block writes them: one space
    // after the stack value.
    TXMLItem& memory = dump.AddChild("Line");
    memory.AddAttribute("Address", Columns(line, 20, 8));
    memory.AddAttribute("Bytes", Columns(line, 30, 47));
    memory.AddAttribute("Chars", Columns(line, 79, 16));
  }
}

void ReadReport(std::string_view report, const TNameReader& names, TXMLItem& doc) {
  // A stored report after the first begins with an empty line.
  while (report.starts_with("\r\n")) report.remove_prefix(2);
  const TLines lines = SplitLines(report);
  const std::string version =
      lines.empty() ? std::string() : Columns(lines[0], 11, std::string::npos);
  const bool old = !ReportVersionAtLeast(version, 5, 0);
  TXMLItem& log = doc.AddChild("Log");
  log.AddAttribute("Version", version);

  // The blocks after the general text: the call stack table first, the
  // assembler and CPU blocks last, the modules and processes between.
  std::vector<TBlock> blocks;
  std::size_t callStack = lines.size();
  for (std::size_t i = 2; i < lines.size(); ++i) {
    if (callStack == lines.size()) {
      if (IsBlockTitle(lines, i) && i + 2 < lines.size() && lines[i + 2].starts_with('|'))
        callStack = i;
      else
        continue;
    }
    if (IsBlockTitle(lines, i)) {
      if (!blocks.empty()) blocks.back().End = i;
      blocks.push_back(TBlock{i, lines.size()});
    }
  }
  TXMLItem& general = log.AddChild("General");
  const TGeneralValues values = ReadGeneral(lines, callStack, general);
  TXMLItem& stack = log.AddChild("CallStack");
  TXMLItem& modules = log.AddChild("Modules");
  TXMLItem& processes = log.AddChild("Processes");
  TXMLItem& assembler = log.AddChild("Assembler");
  TXMLItem& cpu = log.AddChild("CPU");
  if (!blocks.empty()) ReadCallStack(lines, blocks[0], old, names, stack);
  if (blocks.size() >= 3) {
    ReadCpu(lines, blocks.back(), cpu);
    ReadAssembler(lines, blocks[blocks.size() - 2], assembler);
  }
  if (blocks.size() >= 4) {
    ReadTable(lines, blocks[1], modules, "Module",
              {"Handle", "Name", "Description", "Version", "Size", "Modified", "Path"}, 6);
  }
  if (blocks.size() >= 5 && ReportVersionAtLeast(version, 6, 0)) {
    ReadTable(lines, blocks[2], processes, "Process",
              {"ID", "Name", "Description", "Version", "Memory", "Priority", "Threads", "Path"}, 0);
  }
  if (old) {
    // Old reports keep the steps to reproduce as the request item 8.1.
    std::string steps;
    for (const auto& [id, value] : values) {
      if (id == "8.1") steps = value;
    }
    log.AddChild("HoToReproduce").AddAttribute("Text", steps);
  }
}

}  // namespace

bool ReportVersionAtLeast(std::string_view version, int major, int minor) {
  const std::string text(version);
  char* end = nullptr;
  const long first = std::strtol(text.c_str(), &end, 10);
  long second = 0;
  if (end && *end == '.') second = std::strtol(end + 1, nullptr, 10);
  return first > major || (first == major && second >= minor);
}

std::string XmlCopyOfReports(const TStoredReports& reports, std::string_view password) {
  const TNameReader names(password);
  TXMLItem doc("Doc");
  for (const std::string& report : reports) ReadReport(report, names, doc);
  if (doc.Children().Count() == 0) return "<Doc>\r\n</Doc>";
  std::string text = doc.Text();
  if (text.ends_with("\r\n")) text.resize(text.size() - 2);
  return text;
}

std::string XmlCopyOfLogText(std::string_view logText, std::string_view password) {
  return XmlCopyOfReports(ParseLogFileText(logText), password);
}

#include "tests/report/support/LogReports.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A value of several lines as the report builder writes it: ": " as ":_", an
// empty line as ".", continuation lines under the value column.
std::string BlockValue(const std::string& value, std::size_t column) {
  if (value.find("\r\n") == std::string::npos) return value;
  std::string text;
  std::size_t start = 0;
  for (bool first = true;; first = false) {
    const std::size_t end = value.find("\r\n", start);
    std::string line = value.substr(start, end == std::string::npos ? end : end - start);
    for (std::size_t at = line.find(": "); at != std::string::npos; at = line.find(": ", at))
      line[at + 1] = '_';
    if (!first) text += "\r\n" + std::string(column, ' ');
    text += line.empty() ? "." : line;
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return text;
}

struct TItem {
  std::string Number;
  std::string Label;
  std::string Value;
};

// One section: title, dash line as long as the longest item line, items with
// their ": " aligned.
std::string Section(const std::string& title, const std::vector<TItem>& items) {
  std::size_t width = 0;
  for (const TItem& item : items)
    width = std::max(width, item.Number.size() + 1 + item.Label.size());
  std::vector<std::string> lines;
  std::size_t longest = 0;
  for (const TItem& item : items) {
    std::string head = item.Number + " " + item.Label;
    head.resize(width, ' ');
    lines.push_back("  " + head + ": " + BlockValue(item.Value, width + 4));
    longest = std::max(longest, lines.back().size());
  }
  std::string text = title + ":\r\n" + std::string(longest, '-') + "\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace

std::string SampleReport(const TSampleReport& facts) {
  std::vector<TItem> exception = {
      {"2.1", "Date", "Tue, 9 Dec 2008 14:05:03 +0100"},
      {"2.2", "Address", "00401000"},
      {"2.5", "Type", "EAccessViolation"},
      {"2.6", "Message", facts.Message},
      {"2.7", "ID", facts.Id},
  };
  if (facts.CountShown) exception.push_back({"2.8", "Count", facts.Count});
  exception.push_back({"2.9", "Status", "New"});
  exception.push_back({"2.10", "Note", ""});
  std::string text = "ZuderaDod 6.1.05 RC 6\r\n\r\n";
  text += Section("Application", {{"1.2", "Name/Description", "Host.exe"},
                                  {"1.3", "Version Number", facts.Version}});
  text += "\r\n" + Section("Exception", exception);
  text += "\r\n" + Section("User", {{"3.1", "ID", "tester"}, {"3.3", "Email", ""}});
  text += "\r\n";
  text +=
      "Call Stack Information:\r\n"
      "----------------------------------------------------\r\n"
      "|Address |Module  |Unit  |Class|Procedure/Method|Line|\r\n"
      "----------------------------------------------------\r\n"
      "|00401000|Host.exe|Host.c|     |Fault           |12[2]|\r\n"
      "----------------------------------------------------\r\n"
      "\r\n"
      "Modules Information:\r\n"
      "--------------------\r\n"
      "\r\n"
      "Processes Information:\r\n"
      "----------------------\r\n"
      "\r\n"
      "Assembler Information:\r\n"
      "----------------------\r\n"
      "\r\n"
      "Registers:\r\n"
      "-----------------------------\r\n"
      "EAX: 00000000   EDI: 00000000\r\n"
      "EBX: 00000000   ESI: 00000000\r\n"
      "ECX: 00000000   ESP: 0012FF00\r\n"
      "EDX: 00000000   EIP: 00401000\r\n"
      "\r\n"
      "Stack:               Memory Dump:\r\n"
      "------------------   "
      "---------------------------------------------------------------------------\r\n";
  return text;
}

std::string NumberedReport(int number) {
  char id[8];
  std::snprintf(id, sizeof id, "%04X", number & 0xFFFF);
  TSampleReport facts;
  facts.Id = id;
  facts.Message = "Fault number " + std::to_string(number) + ".";
  return SampleReport(facts);
}

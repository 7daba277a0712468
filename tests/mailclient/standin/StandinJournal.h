// The journal the stand-in mail programs write and the tests read back: one
// "key=value" line per fact, CR, LF and "\" in values written as "\r", "\n"
// and "\\".
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline std::string JournalEscape(std::string_view value) {
  std::string out;
  for (const char c : value) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

inline std::string JournalUnescape(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char next = value[++i];
    out += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
  }
  return out;
}

using TJournalLines = std::vector<std::pair<std::string, std::string>>;

inline TJournalLines ParseJournal(std::string_view text) {
  TJournalLines lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos)
      lines.emplace_back(std::string(line.substr(0, equals)),
                         JournalUnescape(line.substr(equals + 1)));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// An environment variable as the process has it now (the C runtime's copy
// does not see later changes).
inline std::string EnvironmentText(const char* name) {
  char buffer[1024];
  const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
  return length && length < sizeof(buffer) ? std::string(buffer, length) : std::string();
}

// Appends the lines to the journal named by the environment variable.
inline void AppendToJournal(const char* variable, const TJournalLines& lines) {
  const std::string path = EnvironmentText(variable);
  if (path.empty()) return;
  std::string text;
  for (const auto& [key, value] : lines) text += key + "=" + JournalEscape(value) + "\n";
  const HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

inline constexpr char kMapiJournalVariable[] = "VIPC_STANDIN_MAPI_JOURNAL";
inline constexpr char kMapiModeVariable[] = "VIPC_STANDIN_MAPI_MODE";
inline constexpr char kMailtoJournalVariable[] = "VIPC_STANDIN_MAILTO_JOURNAL";
inline constexpr char kMailtoModeVariable[] = "VIPC_STANDIN_MAILTO_MODE";

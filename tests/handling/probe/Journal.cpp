#include "tests/handling/probe/Journal.h"

#include <windows.h>

void JournalLine(const std::string& line) {
  char path[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("VIPC_HANDLING_JOURNAL", path, sizeof path)) return;
  const HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

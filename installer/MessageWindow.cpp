#include "installer/MessageWindow.h"

#include <windows.h>

#include "platform/runtime/PathText.h"

std::string ApplicationTitle(std::string_view executablePath, char (*toLower)(char)) {
  std::string title = ExtractFileName(executablePath);
  const auto dot = title.find('.');
  if (dot != std::string::npos) title.resize(dot);
  for (std::size_t i = 1; i < title.size(); ++i) title[i] = toLower(title[i]);
  return title;
}

namespace {

// Lower case in the system's ANSI code page.
char AnsiLower(char c) {
  char buffer[1] = {c};
  CharLowerBuffA(buffer, 1);
  return buffer[0];
}

std::string HostTitle() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return ApplicationTitle(std::string_view(path, length), &AnsiLower);
}

}  // namespace

void ShowInstallerMessage(const std::string& text) {
  // Without an owner window the system centres the box on the screen; task
  // modality keeps the installer's other windows from taking input meanwhile.
  MessageBoxA(nullptr, text.c_str(), HostTitle().c_str(), MB_OK | MB_TASKMODAL);
}

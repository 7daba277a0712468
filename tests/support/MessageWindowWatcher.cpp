#include "tests/support/MessageWindowWatcher.h"

#include <cstdlib>

#include "installer/MessageWindow.h"

namespace {

std::string WindowText(HWND window) {
  char buffer[4096];
  const int length = GetWindowTextA(window, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::string ClassName(HWND window) {
  char buffer[256];
  const int length = GetClassNameA(window, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

struct Children {
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  reinterpret_cast<Children*>(param)->windows.push_back(child);
  return TRUE;
}

struct Candidates {
  const std::string* caption;
  DWORD processId;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* candidates = reinterpret_cast<Candidates*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == candidates->processId && IsWindowVisible(window) &&
      ClassName(window) == "#32770" && WindowText(window) == *candidates->caption) {
    candidates->windows.push_back(window);
  }
  return TRUE;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

MessageWindowWatcher::MessageWindowWatcher(std::string caption, DWORD processId)
    : caption_(std::move(caption)), processId_(processId), watcher_([this] { Watch(); }) {}

MessageWindowWatcher::~MessageWindowWatcher() {
  stopping_ = true;
  watcher_.join();
}

void MessageWindowWatcher::Watch() {
  while (!stopping_) {
    Candidates candidates{&caption_, processId_, {}};
    EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&candidates));
    for (HWND window : candidates.windows) Answer(window);
    Sleep(20);
  }
}

void MessageWindowWatcher::Answer(HWND window) {
  SeenMessageWindow seen;
  seen.caption = WindowText(window);
  Children children;
  EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&children));
  HWND okButton = nullptr;
  for (HWND child : children.windows) {
    const std::string kind = ClassName(child);
    if (kind == "Button") {
      seen.buttons.push_back(WindowText(child));
      if (GetDlgCtrlID(child) == IDOK) okButton = child;
    } else if (kind == "Static") {
      const bool showsIcon = (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
      if (showsIcon) {
        seen.hasIcon =
            seen.hasIcon || (IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0) != 0);
      } else if (seen.text.empty()) {
        seen.text = WindowText(child);
      }
    }
  }
  RECT box{}, screen{};
  GetWindowRect(window, &box);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
  const long dx = ((box.left + box.right) - (screen.left + screen.right)) / 2;
  const long dy = ((box.top + box.bottom) - (screen.top + screen.bottom)) / 2;
  seen.centredOnScreen = std::labs(dx) <= 8 && std::labs(dy) <= 8;
  std::function<void(const SeenMessageWindow&)> callback;
  {
    std::lock_guard<std::mutex> hold(lock_);
    seen_.push_back(seen);
    callback = onShown_;
  }
  if (callback) callback(seen);
  if (okButton) {
    PostMessageA(okButton, BM_CLICK, 0, 0);
  } else {
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  }
  for (int waited = 0; IsWindow(window) && IsWindowVisible(window) && waited < 5000; waited += 10)
    Sleep(10);
}

void MessageWindowWatcher::OnShown(std::function<void(const SeenMessageWindow&)> callback) {
  std::lock_guard<std::mutex> hold(lock_);
  onShown_ = std::move(callback);
}

std::vector<SeenMessageWindow> MessageWindowWatcher::Seen() const {
  std::lock_guard<std::mutex> hold(lock_);
  return seen_;
}

std::vector<std::string> MessageWindowWatcher::Texts() const {
  std::vector<std::string> texts;
  for (const auto& seen : Seen()) texts.push_back(seen.text);
  return texts;
}

std::string InstallerCaptionOfThisProcess() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return InstallerCaptionOf(std::string(path, length));
}

std::string InstallerCaptionOf(const std::string& executablePath) {
  return ApplicationTitle(executablePath, &AsciiLower);
}

bool DisplayAvailable() {
  // Wine's X11 driver reports a zero-sized desktop when it has no display.
  return GetSystemMetrics(SM_CXSCREEN) > 0 && std::getenv("DISPLAY") != nullptr;
}

#include "tools/window_capture/DialogWindows.h"

#include <algorithm>

namespace {

std::string TextOf(HWND window) {
  char text[2048] = {};
  // WM_GETTEXT is answered across threads and processes.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  return text;
}

struct FindRequest {
  DWORD processId;
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM parameter) {
  auto& request = *reinterpret_cast<FindRequest*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if ((request.processId && process != request.processId) || !IsWindowVisible(window)) {
    return TRUE;
  }
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::string(className) != "#32770" || TextOf(window) != *request.caption) return TRUE;
  request.found = window;
  return FALSE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) {
  auto& dialog = *reinterpret_cast<SeenDialog*>(parameter);
  if (GetParent(child) != dialog.window) return TRUE;
  SeenControl control;
  control.id = GetDlgCtrlID(child);
  char className[64] = {};
  GetClassNameA(child, className, sizeof className);
  control.className = className;
  control.text = TextOf(child);
  control.visible = IsWindowVisible(child) != FALSE;
  control.enabled = IsWindowEnabled(child) != FALSE;
  control.defaultButton = (GetWindowLongA(child, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON &&
                          control.className == "Button";
  GetWindowRect(child, &control.rect);
  MapWindowPoints(nullptr, dialog.window, reinterpret_cast<POINT*>(&control.rect), 2);
  dialog.controls.push_back(control);
  return TRUE;
}

}  // namespace

const SeenControl* SeenDialog::Control(int id) const {
  const auto at = std::find_if(controls.begin(), controls.end(),
                               [id](const SeenControl& c) { return c.id == id; });
  return at == controls.end() ? nullptr : &*at;
}

std::vector<int> SeenDialog::VisibleIds() const {
  std::vector<int> ids;
  for (const SeenControl& c : controls) {
    if (c.visible) ids.push_back(c.id);
  }
  return ids;
}

HWND WaitForDialog(DWORD processId, const std::string& caption, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    FindRequest request{processId, &caption, nullptr};
    EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&request));
    if (request.found) return request.found;
    Sleep(50);
  } while (GetTickCount() - start < milliseconds);
  return nullptr;
}

bool WaitUntilGone(HWND window, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount() - start >= milliseconds) return false;
    Sleep(50);
  }
  return true;
}

SeenDialog ReadDialog(HWND window) {
  SeenDialog dialog;
  dialog.window = window;
  dialog.caption = TextOf(window);
  GetWindowRect(window, &dialog.windowRect);
  GetClientRect(window, &dialog.clientRect);
  EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

void ClickButton(HWND dialog, int id) {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void TypeInto(HWND control, const std::string& text) {
  for (char c : text) PostMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
}

void PressKey(HWND control, WPARAM virtualKey) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(virtualKey), 0)) << 16;
  PostMessageA(control, WM_KEYDOWN, virtualKey, scan | 1);
  PostMessageA(control, WM_KEYUP, virtualKey, scan | 1 | (3u << 30));
}

std::string ScreenshotPath(const std::string& name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder = path;
  folder = folder.substr(0, folder.find_last_of("\\/") + 1) + "screenshots";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\" + name + ".png";
}

// Reads the live dialog windows of a process from another thread or
// process, as a person sees them, and answers them: buttons clicked, keys
// and text typed. Pictures of them go under the build tree.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct SeenControl {
  int id = 0;
  std::string className;
  std::string text;
  bool visible = false;
  bool enabled = false;
  bool defaultButton = false;
  RECT rect{};  // in the dialog's client coordinates
};

struct SeenDialog {
  HWND window = nullptr;
  std::string caption;
  RECT windowRect{};
  RECT clientRect{};
  std::vector<SeenControl> controls;

  const SeenControl* Control(int id) const;
  // The visible controls' ids, in child order.
  std::vector<int> VisibleIds() const;
};

// The first visible top-level dialog window (class "#32770") of the process
// (0: of any process) captioned `caption`, waited for up to `milliseconds`;
// null when none came.
HWND WaitForDialog(DWORD processId, const std::string& caption, DWORD milliseconds = 60000);
// True once `window` is gone, waited for up to `milliseconds`.
bool WaitUntilGone(HWND window, DWORD milliseconds = 60000);
SeenDialog ReadDialog(HWND window);

void ClickButton(HWND dialog, int id);
// Types `text` into the control as key presses of characters.
void TypeInto(HWND control, const std::string& text);
// A key press (down and up) sent to the control, as the keyboard would.
void PressKey(HWND control, WPARAM virtualKey);

// build/bin/screenshots/<name>.png, the folder made when missing.
std::string ScreenshotPath(const std::string& name);

// Answers the engine's classic dialog as a person would, for the demo:
//   dialog_answer.exe <picture.png> [--note TEXT] [--email ADDRESS]
// Waits (up to two minutes) for a dialog captioned "Error occurred" of any
// process, prints what it shows, saves its picture, types the note and the
// address where the dialog has their boxes and presses "Don't Send". Exit
// status: 0 answered, 1 no dialog.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/window_capture/DialogWindows.h"
#include "tools/window_capture/WindowCapture.h"

namespace {
constexpr int kReproduceBox = 109;
constexpr int kEmailBox = 111;
constexpr int kDontSendButton = 1001;

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: dialog_answer <picture.png> [--note TEXT] [--email ADDRESS]\n");
    return 2;
  }
  std::string note;
  std::string email;
  for (int i = 2; i + 1 < argc; i += 2) {
    if (std::string(argv[i]) == "--note") note = argv[i + 1];
    if (std::string(argv[i]) == "--email") email = argv[i + 1];
  }
  HWND window = WaitForDialog(0, "Error occurred", 120000);
  if (!window) {
    std::printf("no dialog appeared\n");
    return 1;
  }
  Sleep(500);  // painted before it is pictured
  const SeenDialog seen = ReadDialog(window);
  std::printf("dialog \"%s\", %ld x %ld at (%ld, %ld):\n", seen.caption.c_str(),
              seen.windowRect.right - seen.windowRect.left,
              seen.windowRect.bottom - seen.windowRect.top, seen.windowRect.left,
              seen.windowRect.top);
  for (const SeenControl& control : seen.controls) {
    if (!control.visible || control.text.empty()) continue;
    std::printf("  [%4d] %-8s %s\n", control.id, control.className.c_str(),
                OneLine(control.text).c_str());
  }
  std::printf(SaveWindowPng(window, argv[1]) ? "picture saved: %s\n" : "no picture: %s\n", argv[1]);
  if (!note.empty() && IsWindowVisible(GetDlgItem(window, kReproduceBox))) {
    TypeInto(GetDlgItem(window, kReproduceBox), note);
    std::printf("typed into the question's box: %s\n", note.c_str());
  }
  if (!email.empty() && IsWindowVisible(GetDlgItem(window, kEmailBox))) {
    HWND box = GetDlgItem(window, kEmailBox);
    PostMessageA(box, EM_SETSEL, 0, -1);
    TypeInto(box, email);
    std::printf("typed the e-mail address: %s\n", email.c_str());
  }
  ClickButton(window, kDontSendButton);
  std::printf("pressed \"Don't Send\"\n");
  std::fflush(stdout);
  return WaitUntilGone(window) ? 0 : 1;
}

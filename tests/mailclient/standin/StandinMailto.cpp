// A "mailto" program for the tests: it journals its command line, how it
// was asked to show itself and its process number, then acts as
// VIPC_STANDIN_MAILTO_MODE says: "record" (or none) ends at once; "window"
// shows a window and ends once that window has been put on top
// (journalled); "stay" shows a window and keeps running until it is ended.
// None outlives two minutes.
#include <windows.h>

#include <string>

#include "tests/mailclient/standin/StandinJournal.h"

namespace {

constexpr UINT_PTR kGiveUpTimer = 1;
constexpr UINT kGiveUpMs = 120000;
bool stayOpen = false;
bool topmostReported = false;

void Journal(const char* key, const std::string& value) {
  AppendToJournal(kMailtoJournalVariable, {{key, value}});
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_WINDOWPOSCHANGED:
      if (!stayOpen && !topmostReported && (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST)) {
        topmostReported = true;
        Journal("topmost", "yes");
        DestroyWindow(window);
      }
      break;
    case WM_TIMER:
      topmostReported = true;
      if (!stayOpen) Journal("topmost", "no");
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  Journal("command", GetCommandLineA());
  Journal("show", std::to_string(show));
  Journal("pid", std::to_string(GetCurrentProcessId()));
  const std::string mode = EnvironmentText(kMailtoModeVariable);
  if (mode != "window" && mode != "stay") return 0;  // "record", or a run not set up by a test
  stayOpen = mode == "stay";

  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "StandinMailto";
  RegisterClassA(&windowClass);
  const HWND window =
      CreateWindowA("StandinMailto", "Stand-in mail program", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                    CW_USEDEFAULT, 300, 200, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, show);
  SetTimer(window, kGiveUpTimer, kGiveUpMs, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

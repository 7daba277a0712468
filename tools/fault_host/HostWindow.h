// The main window of a test host: a plain overlapped window, shown and with
// its first messages dispatched, so the engine finds a windowed program.
#pragma once

#include <windows.h>

inline LRESULT CALLBACK HostWindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

inline HWND OpenHostWindow(const char* className, const char* caption) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &HostWindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA(className, caption, WS_OVERLAPPEDWINDOW, 40, 40, 480, 320, nullptr,
                              nullptr, windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  return window;
}

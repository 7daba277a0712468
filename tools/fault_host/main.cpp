// A windowed program with a fault in its own code, as a host of the DLL:
//   fault_host.exe <path of VInstallParamsClient.dll>
// It loads the DLL (whose engine starts with it), opens its main window and
// then writes through a pointer to nowhere. The engine's dialog shows the
// fault; what happens next is the engine's configured end (for an access
// violation nothing catches: the process ends with the exception's code).
#include <windows.h>

#include <cstdint>

namespace {

volatile std::uintptr_t nowhere = 0x10;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

__attribute__((noinline)) void SaveTheDocument() {
  *reinterpret_cast<volatile int*>(nowhere) = 1;  // the host's own bug
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !LoadLibraryA(argv[1])) return 2;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &WindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  windowClass.lpszClassName = "BrisoleDemoHost";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("BrisoleDemoHost", "Brisole demo host", WS_OVERLAPPEDWINDOW, 40, 40,
                              480, 320, nullptr, nullptr, windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  SaveTheDocument();
  return 0;
}

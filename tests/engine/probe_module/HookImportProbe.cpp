// A small DLL whose imports and exports the hook engine's tests patch: it
// calls kernel32's GetTickCount through its import table, and exports a
// routine with a hookable prologue.
#include <windows.h>

extern "C" {

__declspec(dllexport) DWORD ProbeTickCount() {
  return GetTickCount();
}

__declspec(dllexport) __attribute__((noinline, ms_hook_prologue)) int ProbeAdd(int a, int b) {
  return a + b;
}

}  // extern "C"

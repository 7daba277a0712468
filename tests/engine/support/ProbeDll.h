// hook_import_probe.dll loaded for one test: it calls kernel32's
// GetTickCount through its import table and exports a hookable ProbeAdd.
#pragma once

#include <windows.h>

#include <stdexcept>

class TProbeDll {
 public:
  TProbeDll() : module_(LoadLibraryA("hook_import_probe.dll")) {
    if (!module_) throw std::runtime_error("cannot load hook_import_probe.dll");
  }
  ~TProbeDll() { FreeLibrary(module_); }
  TProbeDll(const TProbeDll&) = delete;
  TProbeDll& operator=(const TProbeDll&) = delete;

  void* Export(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(module_, name));
  }
  // What the DLL's GetTickCount import gives.
  DWORD TickCount() const {
    using TTickCount = DWORD (*)();
    return reinterpret_cast<TTickCount>(Export("ProbeTickCount"))();
  }

 private:
  HMODULE module_;
};

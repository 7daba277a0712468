#include "installer/IdnConversion.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

using IdnToAsciiFn = int(WINAPI*)(DWORD, const WCHAR*, int, WCHAR*, int);

IdnToAsciiFn FindIdnToAscii() {
  for (const char* name : {"Normaliz.dll", "kernel32.dll"}) {
    if (HMODULE module = GetModuleHandleA(name)) {
      if (FARPROC routine = GetProcAddress(module, "IdnToAscii")) {
        return reinterpret_cast<IdnToAsciiFn>(reinterpret_cast<void*>(routine));
      }
    }
  }
  return nullptr;
}

}  // namespace

std::string ToAsciiHostName(const std::string& host) {
  const bool plainAscii = std::all_of(host.begin(), host.end(),
                                      [](char c) { return static_cast<unsigned char>(c) < 128; });
  IdnToAsciiFn toAscii = plainAscii ? nullptr : FindIdnToAscii();
  if (!toAscii) return host;

  const int wideLength =
      MultiByteToWideChar(CP_ACP, 0, host.data(), static_cast<int>(host.size()), nullptr, 0);
  std::vector<WCHAR> wide(static_cast<std::size_t>(wideLength));
  MultiByteToWideChar(CP_ACP, 0, host.data(), static_cast<int>(host.size()), wide.data(),
                      wideLength);
  std::vector<WCHAR> ascii(256);
  const int asciiLength =
      toAscii(0, wide.data(), wideLength, ascii.data(), static_cast<int>(ascii.size()));
  if (asciiLength <= 0) return host;
  return std::string(ascii.begin(), ascii.begin() + asciiLength);
}

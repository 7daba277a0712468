#include "engine/EHookSharedArea.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/EHookErrors.h"

namespace {

constexpr std::uintptr_t kSharedAreaStart = 0x80000000u;

bool IsWin9xPlatform() {
  return (GetVersion() & 0x80000000u) != 0;
}

std::string ContainingModuleFileName(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<const char*>(address), &module)) {
    return std::string();
  }
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : 0);
}

}  // namespace

void CheckOutsideSharedArea(const void* address) {
  if (reinterpret_cast<std::uintptr_t>(address) >= kSharedAreaStart && IsWin9xPlatform()) {
    throw ESharedArea(ContainingModuleFileName(address));
  }
}

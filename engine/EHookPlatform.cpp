#include "engine/EHookPlatform.h"

#include <cstdint>
#include <string>

#include "engine/EHookErrors.h"

namespace {

constexpr std::uintptr_t kSharedAreaStart = 0x80000000u;

std::string ModuleFileName(HMODULE module) {
  char path[MAX_PATH] = {};
  const DWORD length = module ? GetModuleFileNameA(module, path, MAX_PATH) : 0;
  return std::string(path, length < MAX_PATH ? length : 0);
}

}  // namespace

bool IsWin9xPlatform() noexcept {
  return (GetVersion() & 0x80000000u) != 0;
}

HMODULE ContainingModule(const void* address) noexcept {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<const char*>(address), &module)) {
    return nullptr;
  }
  return module;
}

void CheckOutsideSharedArea(const void* address) {
  if (reinterpret_cast<std::uintptr_t>(address) >= kSharedAreaStart && IsWin9xPlatform()) {
    throw ESharedArea(ModuleFileName(ContainingModule(address)));
  }
}

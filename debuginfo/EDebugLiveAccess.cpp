// The Win32 edge of the debug sources: the process's modules, their files
// and their memory.
#include <windows.h>

#include "debuginfo/EDebug.h"
#include "debuginfo/EDebugSource.h"
#include "platform/memory/LiveMemory.h"

namespace {

class TLiveModuleAccess final : public TModuleAccess {
 public:
  std::string ModuleFileName(std::uintptr_t handle) const override {
    char name[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(reinterpret_cast<HMODULE>(handle), name, MAX_PATH);
    return std::string(name, length);
  }

  std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) const override {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::vector<std::uint8_t>> bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart < 0x40000000) {
      std::vector<std::uint8_t> content(static_cast<std::size_t>(size.QuadPart));
      DWORD read = 0;
      if (content.empty() ||
          (ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr) &&
           read == content.size())) {
        bytes = std::move(content);
      }
    }
    CloseHandle(file);
    return bytes;
  }

  const TMemoryReader& Memory() const override { return LiveMemory(); }
};

}  // namespace

const TModuleAccess& LiveModuleAccess() {
  static const TLiveModuleAccess access;
  return access;
}

std::unique_ptr<TELDebugInfoSource> CreateOtherDebugSource(std::uintptr_t moduleHandle) {
  return CreateOtherDebugSource(moduleHandle, LiveModuleAccess());
}

#include "engine/EHookCodeWriter.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/EHookTrampoline.h"

namespace {

constexpr std::uintptr_t kPageSize = 4096;

struct TOpenedPage {
  void* page;
  DWORD oldProtection;
};

}  // namespace

bool WriteCode(void* address, const void* bytes, std::size_t count) noexcept {
  if (count == 0) return true;
  const auto start = reinterpret_cast<std::uintptr_t>(address);
  std::vector<TOpenedPage> opened;
  bool writable = true;
  try {
    // Page by page: the pages may have had different protections.
    for (std::uintptr_t page = start & ~(kPageSize - 1); page < start + count; page += kPageSize) {
      DWORD old = 0;
      auto* pagePointer = reinterpret_cast<void*>(page);
      if (!VirtualProtect(pagePointer, 1, PAGE_EXECUTE_READWRITE, &old)) {
        writable = false;
        break;
      }
      opened.push_back({pagePointer, old});
    }
  } catch (...) {
    writable = false;
  }
  if (writable) std::memcpy(address, bytes, count);
  for (const TOpenedPage& page : opened) {
    DWORD ignored = 0;
    VirtualProtect(page.page, 1, page.oldProtection, &ignored);
  }
  if (writable) FlushInstructionCache(GetCurrentProcess(), address, count);
  return writable;
}

bool WriteJump(void* address, const void* destination) noexcept {
  const TRelativeJump jump =
      EncodeJump(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address)),
                 static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(destination)));
  return WriteCode(address, &jump, sizeof jump);
}

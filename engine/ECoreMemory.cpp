#include "engine/ECoreMemory.h"

#include <windows.h>

#include <cstring>

namespace {

bool IsReadableProtection(DWORD protection) {
  switch (protection & ~(PAGE_NOCACHE | PAGE_WRITECOMBINE)) {
    case PAGE_READONLY:
    case PAGE_READWRITE:
    case PAGE_WRITECOPY:
    case PAGE_EXECUTE:
    case PAGE_EXECUTE_READ:
    case PAGE_EXECUTE_READWRITE:
    case PAGE_EXECUTE_WRITECOPY:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::size_t ReadableLength(const void* address, std::size_t limit) noexcept {
  const auto start = reinterpret_cast<std::uintptr_t>(address);
  std::size_t covered = 0;
  while (covered < limit) {
    MEMORY_BASIC_INFORMATION region;
    const auto cursor = reinterpret_cast<const void*>(start + covered);
    if (start + covered < start || VirtualQuery(cursor, &region, sizeof region) == 0) break;
    if (region.State != MEM_COMMIT || !IsReadableProtection(region.Protect)) break;
    const auto regionEnd = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
    // The last region of the address space may end at zero after wrapping.
    if (regionEnd <= start + covered) {
      covered = limit;
      break;
    }
    covered = regionEnd - start;
  }
  return covered < limit ? covered : limit;
}

bool IsReadable(const void* address, std::size_t length) noexcept {
  return ReadableLength(address, length) >= length;
}

std::size_t CopyReadable(const void* address, void* buffer, std::size_t count) noexcept {
  const std::size_t readable = ReadableLength(address, count);
  if (readable > 0) std::memcpy(buffer, address, readable);
  return readable;
}

void* FollowJump(void* address) noexcept {
  std::uint8_t thunk[8];
  if (CopyReadable(address, thunk, sizeof thunk) < sizeof thunk) return address;
  if (thunk[0] != 0xFF || thunk[1] != 0x25) return address;
  void* const* pointer;
  std::memcpy(&pointer, thunk + 2, sizeof pointer);
  void* destination;
  if (CopyReadable(pointer, &destination, sizeof destination) < sizeof destination) return address;
  return destination;
}

#include "platform/memory/LiveMemory.h"

#include <windows.h>

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

constinit const TLiveMemory liveMemory;

}  // namespace

std::size_t TLiveMemory::ReadableLength(TAddress start, std::size_t limit) const noexcept {
  std::size_t covered = 0;
  while (covered < limit) {
    MEMORY_BASIC_INFORMATION region;
    const auto cursor = reinterpret_cast<const void*>(start + covered);
    if (start + covered < start || VirtualQuery(cursor, &region, sizeof region) == 0) break;
    if (region.State != MEM_COMMIT || !IsReadableProtection(region.Protect)) break;
    const TAddress regionEnd = reinterpret_cast<TAddress>(region.BaseAddress) + region.RegionSize;
    // The last region of the address space may end at zero after wrapping.
    if (regionEnd <= start + covered) {
      covered = limit;
      break;
    }
    covered = regionEnd - start;
  }
  return covered < limit ? covered : limit;
}

std::size_t TLiveMemory::Read(TAddress address, void* buffer, std::size_t count) const noexcept {
  const std::size_t readable = ReadableLength(address, count);
  if (readable > 0) std::memcpy(buffer, reinterpret_cast<const void*>(address), readable);
  return readable;
}

const TMemoryReader& LiveMemory() noexcept {
  return liveMemory;
}

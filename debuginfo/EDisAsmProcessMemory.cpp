#include "debuginfo/EDisAsmProcessMemory.h"

#include <windows.h>

#include <cstring>

#include "platform/runtime/SehGuard.h"

namespace {

bool ProtectionIsReadable(DWORD protection) {
  switch (protection) {
    case PAGE_READONLY:
    case PAGE_READWRITE:
    case PAGE_WRITECOPY:
    case PAGE_EXECUTE:
    case PAGE_EXECUTE_READ:
    case PAGE_EXECUTE_READWRITE:
    case PAGE_EXECUTE_WRITECOPY:
      return true;
    default:
      return false;  // no access, or combined with PAGE_GUARD or PAGE_NOCACHE
  }
}

bool RangeIsReadable(std::uintptr_t address, std::size_t size) {
  if (size == 0) return true;
  if (address + size < address) return false;
  const std::uintptr_t end = address + size;
  while (address < end) {
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) == 0) {
      return false;
    }
    if (region.State != MEM_COMMIT || !ProtectionIsReadable(region.Protect)) return false;
    const std::uintptr_t regionEnd =
        reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (regionEnd <= address) return false;
    address = regionEnd;
  }
  return true;
}

bool ReadProcessBytes(std::uint32_t address, std::span<std::uint8_t> out) {
  if (!RangeIsReadable(address, out.size())) return false;
  struct Copy {
    std::uint32_t address;
    std::span<std::uint8_t> out;
    void operator()() const {
      std::memcpy(out.data(), reinterpret_cast<const void*>(std::uintptr_t{address}), out.size());
    }
  } copy{address, out};
  SehFailure failure;
  return CallWithSehGuard(copy, failure);
}

}  // namespace

TMemoryReader ProcessMemoryReader() {
  return &ReadProcessBytes;
}

TAssemblerListing AssemblerListing(std::uint32_t address) {
  TListingSources sources;
  sources.ReadMemory = ProcessMemoryReader();
  return AssemblerListing(address, sources);
}

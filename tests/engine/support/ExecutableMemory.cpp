#include "tests/engine/support/ExecutableMemory.h"

#include <cstring>
#include <stdexcept>

TExecutableMemory::TExecutableMemory(std::size_t size)
    : base_(static_cast<std::uint8_t*>(
          VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READ))),
      size_(size) {
  if (!base_) throw std::runtime_error("cannot allocate executable memory");
}

TExecutableMemory::~TExecutableMemory() {
  VirtualFree(base_, 0, MEM_RELEASE);
}

void TExecutableMemory::Write(std::size_t offset, const void* bytes, std::size_t count) {
  if (offset + count > size_) throw std::out_of_range("beyond the executable memory");
  DWORD old;
  VirtualProtect(base_, size_, PAGE_EXECUTE_READWRITE, &old);
  std::memcpy(base_ + offset, bytes, count);
  VirtualProtect(base_, size_, PAGE_EXECUTE_READ, &old);
  FlushInstructionCache(GetCurrentProcess(), base_ + offset, count);
}

void TExecutableMemory::Put(std::size_t offset, std::initializer_list<std::uint8_t> bytes) {
  Write(offset, bytes.begin(), bytes.size());
}

void TExecutableMemory::Put32(std::size_t offset, std::uint32_t value) {
  Write(offset, &value, sizeof value);
}

void TExecutableMemory::PutRelative(std::size_t offset, std::uint8_t opcode,
                                    std::size_t destination) {
  Put(offset, {opcode});
  Put32(offset + 1, AddressOf(destination) - AddressOf(offset + 5));
}

DWORD TExecutableMemory::Protection(std::size_t offset) const {
  MEMORY_BASIC_INFORMATION region{};
  VirtualQuery(At(offset), &region, sizeof region);
  return region.Protect;
}

TReadableThenInaccessible::TReadableThenInaccessible()
    : base_(static_cast<std::uint8_t*>(
          VirtualAlloc(nullptr, 2 * 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {
  if (!base_) throw std::runtime_error("cannot allocate the test pages");
  std::memset(base_, 0x90, 4096);
  DWORD old;
  VirtualProtect(base_ + 4096, 4096, PAGE_NOACCESS, &old);
}

TReadableThenInaccessible::~TReadableThenInaccessible() {
  VirtualFree(base_, 0, MEM_RELEASE);
}

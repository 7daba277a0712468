#include "engine/ECoreMemory.h"

namespace {
constexpr std::size_t kThunkSize = 6;
constexpr std::size_t kThunkPeek = 8;  // a thunk is followed only with its neighbours readable
}  // namespace

TAddress FollowJump(const TMemoryReader& memory, TAddress address) noexcept {
  std::uint8_t thunk[kThunkPeek];
  if (!memory.ReadAll(address, thunk, sizeof thunk)) return address;
  if (thunk[0] != 0xFF || thunk[1] != 0x25) return address;
  static_assert(kThunkSize == 2 + 4);
  const TAddress pointer = std::uint32_t{thunk[2]} | std::uint32_t{thunk[3]} << 8 |
                           std::uint32_t{thunk[4]} << 16 | std::uint32_t{thunk[5]} << 24;
  const auto destination = memory.ReadU32(pointer);
  return destination ? *destination : address;
}

void* FollowJump(void* address) noexcept {
  return reinterpret_cast<void*>(FollowJump(LiveMemory(), AddressOf(address)));
}

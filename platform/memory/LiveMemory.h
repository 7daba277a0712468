// This process's memory, read after asking the system which pages are
// readable: committed pages that are read-only, read-write, write-copy or
// executable with any of these (caching modifiers ignored); guard and
// no-access pages end a run.
//
// Takes no lock and allocates nothing, so it may run inside exception
// handling; it never raises. Another thread may still change the protection
// between the query and the copy: callers that read foreign memory at such
// times accept that risk as the system's own tools do.
#pragma once

#include "platform/memory/MemoryReader.h"

class TLiveMemory final : public TMemoryReader {
 public:
  std::size_t Read(TAddress address, void* buffer, std::size_t count) const noexcept override;
  std::size_t ReadableLength(TAddress address, std::size_t limit) const noexcept override;
};

// The reader of this process; lives as long as the module.
const TMemoryReader& LiveMemory() noexcept;

// Typed forms for addresses held as pointers.
inline TAddress AddressOf(const void* pointer) noexcept {
  return reinterpret_cast<TAddress>(pointer);
}

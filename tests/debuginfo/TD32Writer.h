// TD32 data written byte by byte, for the TD32 source's tests and the
// fuzzer's seed.
#pragma once

#include <cstdint>
#include <string>

// TD32 data of one module "TdUnit" covering code offsets 0x100 to 0x200.
struct TD32Writer {
  std::uint16_t EntrySize = 12;
  std::uint32_t NameCount = 5;
  const char* Signature = "FB09";

  std::string Data() const;
};

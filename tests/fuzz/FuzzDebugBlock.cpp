// The compact debug block of a module's ELDATA: indexed whole and looked up
// once, at addresses the input suggests, with the first code bytes of a
// procedure read from memory made of the input.
#include "debuginfo/EDebugBlockIndex.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/FabricatedMemory.h"

namespace {
constexpr TAddress kHandle = 0x00400000;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // Two bytes of options: the writer's version and whether the password is
  // the right one; the rest is the block.
  static constexpr std::uint16_t kVersions[] = {300, 405, 423, 500, 502, 6000, 6105};
  const FuzzInput input(data + 2, size - 2);
  TDebugBlockModule module;
  module.Block = input.bytes;
  module.Version = kVersions[data[0] % std::size(kVersions)];
  module.Password = "fixture password";
  module.PasswordValid = (data[1] & 1) != 0;
  module.Handle = kHandle;
  // The code of the module is the block itself, so procedures start on
  // bytes of all kinds.
  const TFabricatedMemory code(kHandle + kCodeSectionOffset, input.bytes);
  const TDebugBlockIndex index(module);
  for (std::size_t i = 0; i < 4; ++i) {
    const TAddress address = kHandle + kCodeSectionOffset + (input.WordFromEnd(i) & 0xFFFFF);
    TCodeLocation indexed{}, once{};
    const bool found = index.Locate(address, &code, indexed);
    const bool foundOnce = TDebugBlockIndex::LocateOnce(module, address, &code, once);
    FUZZ_CHECK(found == foundOnce);
    if (found) {
      FUZZ_CHECK(indexed.SourceLine == once.SourceLine);
      FUZZ_CHECK(indexed.RoutineName.Str() == once.RoutineName.Str());
      FUZZ_CHECK(indexed.RoutineLineOffset >= 0);
    }
  }
  return 0;
}

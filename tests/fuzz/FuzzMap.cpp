// Linker map text found beside a module: parsed by the map source and looked
// up at addresses the input suggests.
#include "debuginfo/EDebugMap.h"
#include "tests/debuginfo/FakeModuleAccess.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzInput input(data, size);
  FakeModuleAccess access;
  access.Files["C:\\fixture\\Module.map"] = std::string(input.Text());
  auto source = CreateOtherDebugSource(FakeModuleAccess::kHandle, access);
  if (!source) return 0;
  for (std::size_t i = 0; i < 4; ++i) {
    TELLocationInfo info;
    source->GetLocation(FakeModuleAccess::kCodeBase + (input.WordFromEnd(i) & 0xFFFFFF), info);
  }
  return 0;
}

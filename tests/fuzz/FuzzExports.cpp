// The export table of a loaded image, read from memory made of the input:
// the headers and tables may point anywhere, the reader must only read.
#include "debuginfo/EDebugExports.h"
#include "engine/EHookProcedureLength.h"
#include "platform/memory/ImageReader.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/FabricatedMemory.h"

namespace {
constexpr TAddress kHandle = 0x10000000;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzInput input(data, size);
  const TFabricatedMemory memory(kHandle, input.bytes);
  const TImageReader image(memory, kHandle);
  image.Imports();
  auto functions = ReadExportedFunctions(memory, kHandle);
  if (!functions) return 0;
  const TProcedureLengthMeasure measure = [&](std::uintptr_t address) {
    return static_cast<std::uint32_t>(MeasureProcedureLength(memory, address, 4096));
  };
  for (std::size_t i = 0; i < 4; ++i) {
    const auto found = functions->Find(kHandle + (input.WordFromEnd(i) & 0xFFFF), measure);
    if (found) {
      TCodeLocation location{};
      ParseExportedName(found->Name, location);
    }
  }
  return 0;
}

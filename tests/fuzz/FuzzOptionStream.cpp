// The option stream of every data version: a short or damaged stream raises
// the stream's read error (which the ELDATA reader turns into "not loaded");
// nothing else may happen. What was read must write and read back the same.
#include "engine/ECoreOptionStream.h"
#include "platform/runtime/Exception.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // The first two bytes choose the data version the rest was written in.
  static constexpr int kVersions[] = {300, 400, 405, 423, 450, 500, 502, 600, 6000, 6105};
  const int version = kVersions[data[0] % std::size(kVersions)];
  const FuzzInput input(data + 2, size - 2);
  TDovaroModuleOptions options;
  try {
    TByteReader reader(input.bytes, version);
    options.LoadFromStream(reader, version);
  } catch (const EReadError&) {
    return 0;
  }
  if (data[1] & 1) {
    const std::vector<std::uint8_t> saved = SaveOptionsToBytes(options);
    TDovaroModuleOptions again;
    TByteReader reader(saved);
    again.LoadFromStream(reader, kEngineDataVersion);
    FUZZ_CHECK(SaveOptionsToBytes(again) == saved);
  }
  return 0;
}

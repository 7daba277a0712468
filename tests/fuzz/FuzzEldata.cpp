// The ELDATA container, both carriers: a module's block is any bytes another
// module (or a damaged file) holds. The readers must answer "not loaded"
// rather than fault.
#include "engine/ECoreEldata.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzInput input(data, size);
  TEldataReadSettings settings;
  settings.RetryPassword = true;
  settings.ObtainPassword = [](int attempt) -> std::optional<std::string> {
    return attempt == 0 ? std::string("fuzz") : std::string();
  };
  {
    TDovaroModuleOptions options;
    TEldataContent content;
    ReadEldataResource(input.bytes, options, content, settings);
  }
  {
    TDovaroModuleOptions options;
    TEldataContent content;
    ReadEldataAppended(input.bytes, options, content, settings);
  }
  PeekEldataHeader(input.bytes);
  if (size >= kAppendedTrailerSize) AppendedBlockLength(input.bytes.last(kAppendedTrailerSize));
  return 0;
}

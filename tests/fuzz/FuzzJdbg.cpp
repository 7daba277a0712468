// JDBG data in a ".jdbg" file beside a module.
#include "tests/fuzz/FuzzOtherSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzOtherDebugSource(FuzzInput(data, size), "C:\\fixture\\Module.jdbg");
  return 0;
}

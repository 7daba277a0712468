// A name server's answer to the MX query: any datagram from the network.
#include "delivery/ESocketsDns.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzInput input(data, size);
  for (const char* domain : {"example.org", "a", ""}) {
    if (const auto host = MxAnswerHost(input.bytes, domain)) {
      FUZZ_CHECK(!host->empty());
      FUZZ_CHECK(host->size() <= 255);
    }
  }
  return 0;
}

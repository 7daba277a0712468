// A datagram the installer received as the server's reply: any bytes from
// anyone on the network.
#include "installer/BrisoleWire.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzInput input(data, size);
  const std::string payload = brisole::ExtractPayload(input.Text());
  FUZZ_CHECK(payload.size() <= size);
  if (const auto parameters = brisole::SplitDatabasePayload(payload)) {
    FUZZ_CHECK(parameters->alias.size() + parameters->connectionString.size() < payload.size());
    brisole::CompleteConnectionString(parameters->connectionString, "server.example");
  }
  return 0;
}

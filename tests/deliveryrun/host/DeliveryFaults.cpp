// The host's own module with the fault: it carries engine data of a version
// inside the handling engine's window, so the engine hands it the delivery's
// events through its exports. What the events saw goes to the journal; the
// environment says how a subscriber answers:
//   VIPC_DELIVERY_SKIP_MAIL=1   ActBeforeMail clears the flag
//   VIPC_DELIVERY_RETRIES=N     the first N failed steps are retried
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "engine/ExceptionLogTypes.h"
#include "tests/handling/probe/Journal.h"

namespace {

volatile std::uintptr_t nowhere = 0x10;
int retriesLeft = -1;
volatile bool deliveryBegan = false;  // a step's first event came

std::string Environment(const char* name) {
  char value[256] = {};
  GetEnvironmentVariableA(name, value, sizeof value);
  return value;
}

class EDeliveryProbeFault : public std::exception {
 public:
  const char* what() const noexcept override { return "The host handed this fault over."; }
};

std::string Thread() {
  return std::to_string(GetCurrentThreadId());
}

}  // namespace

extern "C" {

__declspec(dllexport) void __stdcall ZuderaDod_ExceptionActionNotifyEvent(
    const TDovaroExceptionRecord*, int action, bool* flag) {
  if (action == 4 && flag && Environment("VIPC_DELIVERY_SKIP_MAIL") == "1") *flag = false;
  if (action == 4 || action == 6) deliveryBegan = true;
  JournalLine("action " + std::to_string(action) + " thread=" + Thread());
}

__declspec(dllexport) void __stdcall ZuderaDod_ExceptionErrorNotifyEvent(
    const TDovaroExceptionRecord*, int action, bool* retry) {
  if (retriesLeft < 0) retriesLeft = std::atoi(Environment("VIPC_DELIVERY_RETRIES").c_str());
  const bool again = retriesLeft > 0;
  if (again) --retriesLeft;
  if (retry) *retry = again;
  JournalLine("error " + std::to_string(action) + " retry=" + (again ? "yes" : "no") +
              " thread=" + Thread());
}

__declspec(dllexport) void __stdcall ZuderaDod_CustomWebFieldsRequestEvent(
    const TDovaroExceptionRecord*, const std::vector<std::string>*) {
  JournalLine("web fields thread=" + Thread());
}

__declspec(dllexport) __attribute__((noinline)) void DeliveryFaultsWrite() {
  JournalLine("raising thread=" + Thread());
  *reinterpret_cast<volatile int*>(nowhere) = 1;  // the host's own bug
}

// Hands an exception of this module to the engine module's ExceptionManager,
// as a framework hook would, then waits for any delivery still running (the
// manager takes the handling lock first).
__declspec(dllexport) __attribute__((noinline)) int DeliveryFaultsHandOver(HMODULE engine) {
  using TManager = BOOL(__stdcall*)(const void*, std::uintptr_t, int, HMODULE);
  auto manager = reinterpret_cast<TManager>(
      reinterpret_cast<void*>(GetProcAddress(engine, "ExceptionManager")));
  if (!manager) return 2;
  JournalLine("raising thread=" + Thread());
  static EDeliveryProbeFault fault;
  manager(&fault, reinterpret_cast<std::uintptr_t>(&DeliveryFaultsHandOver) + 16, 0, nullptr);
  JournalLine("handed over");
  // A background sender takes the lock once it starts; until then the
  // barrier below would pass at once.
  for (int waited = 0; !deliveryBegan && waited < 60000; waited += 50) Sleep(50);
  manager(nullptr, 0, 0, nullptr);
  JournalLine("delivery over");
  return 0;
}

}  // extern "C"

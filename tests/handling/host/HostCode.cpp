// The host's own code that faults, in a library of the host: it carries no
// debug information, so its routines are named through its export table.
#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/handling/probe/Journal.h"

namespace {
volatile int zero = 0;
volatile std::uintptr_t faultingAddress = 0x10;
}  // namespace

// Each fault in a routine of its own, before the routine's first return, so
// that the routine's measured length covers it.
extern "C" __declspec(dllexport) __attribute__((noinline)) void HostWritesNowhere() {
  *reinterpret_cast<volatile int*>(faultingAddress) = 1;  // write access violation
}

extern "C" __declspec(dllexport) __attribute__((noinline)) int HostDividesByZero() {
  return 10 / zero;
}

extern "C" __declspec(dllexport) __attribute__((noinline)) void HostRaises() {
  RaiseException(0xE0000001, 0, 0, nullptr);
}

extern "C" __declspec(dllexport) void HostFaults(int kind) {
  if (kind == 0) HostWritesNowhere();
  if (kind == 1) JournalLine("host: quotient " + std::to_string(HostDividesByZero()));
  if (kind == 2) HostRaises();
}

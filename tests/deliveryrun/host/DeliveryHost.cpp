// A windowed host of the engine module for the delivery tests:
//   deliveryrun_host.exe <engine module> fault|handover
// It loads the engine module, opens its main window, loads its own module
// deliveryrun_faults.dll from the engine module's folder and then writes through a pointer to
// nowhere in it (fault: the process ends with the fault's code) or hands an exception of it to the
// engine (handover: the process ends with 0 once any delivery is over).
#include <windows.h>

#include <string>

#include "tools/fault_host/HostWindow.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  HMODULE engine = LoadLibraryA(argv[1]);
  // The faulting module lies beside the engine module.
  std::string faultsPath = argv[1];
  faultsPath = faultsPath.substr(0, faultsPath.find_last_of("\\/") + 1) + "deliveryrun_faults.dll";
  HMODULE faults = LoadLibraryA(faultsPath.c_str());
  if (!engine || !faults) return 3;
  OpenHostWindow("DeliveryTestHost", "Delivery test host");
  const std::string scenario = argv[2];
  if (scenario == "fault") {
    auto write = reinterpret_cast<void (*)()>(
        reinterpret_cast<void*>(GetProcAddress(faults, "DeliveryFaultsWrite")));
    if (write) write();
    return 4;
  }
  auto handOver = reinterpret_cast<int (*)(HMODULE)>(
      reinterpret_cast<void*>(GetProcAddress(faults, "DeliveryFaultsHandOver")));
  return handOver ? handOver(engine) : 4;
}

// A windowed program with a fault in its own code, as a host of the DLL:
//   fault_host.exe <path of VInstallParamsClient.dll>
// It loads the DLL (whose engine starts with it), opens its main window and
// then writes through a pointer to nowhere. The engine's dialog shows the
// fault; what happens next is the engine's configured end (for an access
// violation nothing catches: the process ends with the exception's code).
#include <windows.h>

#include <cstdint>

#include "tools/fault_host/HostWindow.h"

namespace {

volatile std::uintptr_t nowhere = 0x10;

__attribute__((noinline)) void SaveTheDocument() {
  *reinterpret_cast<volatile int*>(nowhere) = 1;  // the host's own bug
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !LoadLibraryA(argv[1])) return 2;
  OpenHostWindow("BrisoleDemoHost", "Brisole demo host");
  SaveTheDocument();
  return 0;
}

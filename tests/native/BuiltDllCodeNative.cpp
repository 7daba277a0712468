// The built VInstallParamsClient.dll and its objdump listing for the native
// test program: read from the Windows build's bin folder (VIPC_WINDOWS_BIN,
// else the folder this program was configured with).
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/engine/support/BuiltDllCode.h"

namespace {

std::string WindowsBuildFile(const char* fileName) {
  const char* folder = std::getenv("VIPC_WINDOWS_BIN");
  return std::string(folder && *folder ? folder : VIPC_WINDOWS_BIN) + "/" + fileName;
}

}  // namespace

std::string ReadBuiltDll() {
  std::ifstream file(WindowsBuildFile("VInstallParamsClient.dll"), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<TCodeRun> ReadObjdumpRuns() {
  return ReadObjdumpRunsFile(WindowsBuildFile("VInstallParamsClient.objdump-lengths.txt"));
}

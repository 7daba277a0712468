#include "tests/engine/support/BuiltDllCode.h"

#include <windows.h>

#include "tests/support/TempFolder.h"

namespace {

std::string BesideTheTestProgram(const char* fileName) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string program(path, length);
  return program.substr(0, program.find_last_of('\\') + 1) + fileName;
}

}  // namespace

std::string ReadBuiltDll() {
  return ReadFileBytes(BesideTheTestProgram("VInstallParamsClient.dll"));
}

std::vector<TCodeRun> ReadObjdumpRuns() {
  return ReadObjdumpRunsFile(BesideTheTestProgram("VInstallParamsClient.objdump-lengths.txt"));
}

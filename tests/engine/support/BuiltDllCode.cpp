#include "tests/engine/support/BuiltDllCode.h"

#include <windows.h>

#include <fstream>
#include <sstream>

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
  std::ifstream reference(BesideTheTestProgram("VInstallParamsClient.objdump-lengths.txt"));
  std::vector<TCodeRun> runs;
  std::string line;
  while (std::getline(reference, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string offset, digits;
    TCodeRun run;
    fields >> offset >> run.label >> digits;
    run.fileOffset = std::stoul(offset, nullptr, 16);
    for (const char digit : digits)
      run.lengths.push_back(std::stoul(std::string(1, digit), nullptr, 16));
    runs.push_back(std::move(run));
  }
  return runs;
}

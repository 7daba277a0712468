// The built VInstallParamsClient.dll and its objdump listing for the native
// test program: read from the Windows build's bin folder (VIPC_WINDOWS_BIN,
// else the folder this program was configured with).
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

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
  std::ifstream reference(WindowsBuildFile("VInstallParamsClient.objdump-lengths.txt"));
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

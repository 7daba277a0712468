// The objdump lengths file as code runs: pure, shared by the Wine and the
// native test programs.
#include <fstream>
#include <sstream>

#include "tests/engine/support/BuiltDllCode.h"

std::vector<TCodeRun> ReadObjdumpRunsFile(const std::string& path) {
  std::ifstream reference(path);
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

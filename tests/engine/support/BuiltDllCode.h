// The built VInstallParamsClient.dll as the tests read it: the file's bytes
// and the runs of code that objdump listed at build time
// (VInstallParamsClient.objdump-lengths.txt, written by objdump_lengths.py).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct TCodeRun {
  std::size_t fileOffset = 0;
  std::string label;
  std::vector<std::size_t> lengths;  // objdump's instruction lengths in order
};

// Both are empty when the files cannot be read.
std::string ReadBuiltDll();
std::vector<TCodeRun> ReadObjdumpRuns();
// The runs of an objdump lengths file at `path` (BuiltDllCodeRuns.cpp).
std::vector<TCodeRun> ReadObjdumpRunsFile(const std::string& path);

// The line every benchmark prints above its figures: emulated 32-bit code runs
// about ten times slower, so a figure is only comparable with one taken the
// same way. The build's Wine wrapper tells the way in VIPC_I386_EXECUTION.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void PrintExecutionLine() {
  const char* way = std::getenv("VIPC_I386_EXECUTION");
  std::printf("32-bit code runs here: %s\n",
              way && *way ? way : "unknown (not started by wine-run.sh)");
}

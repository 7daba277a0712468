#include "debuginfo/EDebugExports.h"

std::uint32_t ProcedureLengthOfExport(std::uintptr_t) {
  return 1;
}

#include "debuginfo/EDebugBlock.h"

#include <new>

#include "debuginfo/EDebugBlockIndex.h"

bool LocateInDebugBlock(const TDebugBlockModule& module, std::uintptr_t address,
                        const TMemoryReader* code, TCodeLocation& location) {
  try {
    return TDebugBlockIndex::LocateOnce(module, address, code, location);
  } catch (const std::bad_alloc&) {
    return false;  // lookups never raise
  }
}

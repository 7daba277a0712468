// The referee of the debug block index's tests: the lookup as a walk through
// the block, record by record, for one address (the way the block was read
// before it was indexed). Answers as LocateInDebugBlock promises.
#pragma once

#include <cstddef>
#include <string>

#include "debuginfo/EDebugBlock.h"

bool WalkDebugBlock(const TDebugBlockModule& module, std::uintptr_t address,
                    const TMemoryReader* code, TCodeLocation& location);

class TDebugBlockIndex;

// Which addresses a comparison looks up: every `Step`-th of the range, and
// of those every `OneOffEvery`-th by LocateInDebugBlock as well.
struct TWalkComparison {
  std::size_t Step = 1;
  std::size_t OneOffEvery = 1;
};

// Looks the addresses of [first, end) up in `index`, by the walk through
// `module` and by LocateInDebugBlock; describes the first address whose
// answers differ (found or not, and every byte of the record), or gives an
// empty text when none does.
std::string FirstDifferenceFromWalk(const TDebugBlockModule& module, const TDebugBlockIndex& index,
                                    const TMemoryReader* code, std::uintptr_t first,
                                    std::uintptr_t end, TWalkComparison which = {});

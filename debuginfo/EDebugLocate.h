// The order of the lookups for one address, over what the module record
// offers. Pure: the code bytes and routine lengths come through the given
// readers.
#pragma once

#include "debuginfo/EDebugBlock.h"
#include "debuginfo/EDebugBlockIndex.h"
#include "debuginfo/EDebugExports.h"
#include "debuginfo/EDebugSource.h"

// What a lookup needs from a module record (any part may be absent).
struct TModuleDebugView {
  TDovaroModuleInfo* Entry = nullptr;
  bool Known = false;
  TDebugBlockModule Block;  // Block.Block empty when the module has no block
  // The module's block indexed once (owned by the caller, outliving the
  // lookup); without one, Block is indexed for the single lookup.
  const TDebugBlockIndex* BlockIndex = nullptr;
  const TELDebugInfoSource* OtherSource = nullptr;
  TDovaroFunctionsList* Functions = nullptr;
};

struct TLookupServices {
  const TMemoryReader* Code = nullptr;  // the module's code bytes
  TProcedureLengthMeasure MeasureProcedure;
  bool ShowLibraryUnits = false;  // the library reports a fault in itself
};

// Fills `location` for `address` inside `module` (zeroing it first). Never
// raises.
void LocateInModule(const TModuleDebugView& module, std::uintptr_t address, std::uint32_t threadId,
                    TCodeLocation& location, bool isExceptionAddress, bool stackOrigin,
                    const TLookupServices& services);

// Fills the names of `location` from an other source's answer; false when
// the source has no procedure name for the address.
bool LocateInOtherSource(const TELDebugInfoSource& source, std::uintptr_t address, bool moduleKnown,
                         TCodeLocation& location);

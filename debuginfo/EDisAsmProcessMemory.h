// The listing's sources for the running process: its memory, read after a
// readability test, and the listing of its own code.
#pragma once

#include <cstdint>

#include "debuginfo/EDisAsmListing.h"

// Reads this process's memory. A range is read only when every page of it is
// committed with a readable protection (read-only, read-write, write-copy,
// execute, execute-read, execute-read-write or execute-write-copy, and not a
// guard page); the copy itself is guarded against a page that goes away
// meanwhile. Safe inside exception handling; takes no lock.
TMemoryReader ProcessMemoryReader();

// The listing of this process's code around `address`, with the decoder's own
// instruction lengths and no lookup.
TAssemblerListing AssemblerListing(std::uint32_t address);

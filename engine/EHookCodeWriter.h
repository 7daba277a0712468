// The only writes the engine makes into code and method or import tables:
// the pages are opened for writing (keeping them executable, since other
// threads may run the code meanwhile), written, restored to their protection,
// and the instruction cache is flushed.
//
// Not for exception handling: they allocate. They never raise.
#pragma once

#include <cstddef>

// Copies `count` bytes to `address`. False when a page could not be opened
// for writing; nothing is written then.
bool WriteCode(void* address, const void* bytes, std::size_t count) noexcept;

// Writes the 5-byte jump E9 (destination - address - 5) at `address`.
bool WriteJump(void* address, const void* destination) noexcept;

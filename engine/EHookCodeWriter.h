// The only writes the engine makes into code and method or import tables:
// the pages are opened for writing (keeping them executable, since other
// threads may run the code meanwhile), written, restored to their protection,
// and the instruction cache is flushed.
//
// Not for exception handling: the freeze allocates. They never raise.
#pragma once

#include <cstddef>
#include <span>

#include "engine/EHookThreadMoves.h"

// Copies `count` bytes to `address` while the process's other threads,
// except the engine's own, are suspended (TThreadFreeze), so a thread runs
// either the old bytes or the new ones; then moves each suspended thread that
// stands at a From of `moves` to its To. False when a page could not be
// opened for writing or the bytes span more than two pages; nothing is
// written and no thread moved then.
bool WriteCode(void* address, const void* bytes, std::size_t count,
               std::span<const TThreadMove> moves = {}) noexcept;

// Writes the 5-byte jump E9 (destination - address - 5) at `address`, like
// WriteCode.
bool WriteJump(void* address, const void* destination,
               std::span<const TThreadMove> moves = {}) noexcept;

// Stores `value` into the pointer-sized table slot at `slot` (an import or a
// method slot). Threads are not suspended: the store is one locked 32-bit
// write, so a thread reading the slot meanwhile gets the old pointer or the
// new one, never a mix. False when the slot could not be opened for writing.
bool WriteSlot(void* slot, const void* value) noexcept;

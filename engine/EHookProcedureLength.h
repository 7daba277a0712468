// The length of a routine: its instructions walked from its start up to and
// including the first return (RET, RET imm16, RETF, RETF imm16: opcodes C2,
// C3, CA, CB after the prefixes).
//
// Pure logic over a memory reader, so fabricated memory (with unreadable
// parts) can stand in for a module. Allocation-free; never raises.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/memory/MemoryReader.h"

// Walks whole instructions from `address` (bytes that are not an instruction
// step over one byte) while the walk stays within `limit` bytes. Returns the
// bytes walked including the first return; 0 for a limit of 0; 1 when no
// return is met within the limit or the code cannot be read that far.
std::size_t MeasureProcedureLength(const TMemoryReader& reader, TAddress address,
                                   std::size_t limit) noexcept;

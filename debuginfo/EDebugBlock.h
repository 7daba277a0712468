// The lookup in a module's compact debug block (the debug information of its
// ELDATA, without the length prefix). Pure: the block is a byte span and the
// code bytes at a procedure start come through a memory reader. The record
// forms are in EDebugBlockRecords.h; a module looked up more than once keeps
// a TDebugBlockIndex (EDebugBlockIndex.h) instead of calling this.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "debuginfo/EDebug.h"
#include "platform/memory/MemoryReader.h"

// A module's block and what reading it needs; the views are the caller's and
// must outlive the call (or the building of an index).
struct TDebugBlockModule {
  std::span<const std::uint8_t> Block;
  std::uint16_t Version = 0;
  std::string_view Password;
  bool PasswordValid = true;
  std::uintptr_t Handle = 0;
};

// Finds the unit, procedure and line of `address`. On success fills
// Precision (lpLine), CodeAddress, SourceUnit, OwnerClass, RoutineName,
// SourceLine and RoutineLineOffset and returns true; otherwise leaves the
// record alone. Never raises; a damaged block ends the search. `code` (may be
// null) reads the first bytes of a procedure, which decide where it counts its
// lines from. Indexes what this one answer needs of the block (see
// TDebugBlockIndex::LocateOnce).
bool LocateInDebugBlock(const TDebugBlockModule& module, std::uintptr_t address,
                        const TMemoryReader* code, TCodeLocation& location);

// Code offsets in debug data count from here.
inline constexpr std::uintptr_t kCodeSectionOffset = 0x1000;

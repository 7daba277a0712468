// The reader of a module's compact debug block (the debug information of its
// ELDATA, without the length prefix). Pure: the block is a byte span and the
// code bytes at a procedure start come through a checked reader.
//
// Block layout (little-endian): [version 405..499: u32 L, L skipped bytes]
// u32 unit count, then unit records: name field, i32 first line, u32 code
// start, u32 code size, u32 line data length D, D bytes of line records.
// Offsets count from the module handle + 0x1000.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "debuginfo/EDebug.h"

struct TDebugBlockModule {
  std::span<const std::uint8_t> Block;
  std::uint16_t Version = 0;
  std::string_view Password;
  bool PasswordValid = true;
  std::uintptr_t Handle = 0;
};

// Copies `length` code bytes at `address` into `buffer` after a readability
// check; false when they cannot be read.
using TCodeByteReader =
    std::function<bool(std::uintptr_t address, void* buffer, std::size_t length)>;

// Finds the unit, procedure and line of `address`. On success fills
// Precision (lpLine), CodeAddress, SourceUnit, OwnerClass, RoutineName,
// SourceLine and RoutineLineOffset and returns true; otherwise leaves the
// record alone. Never raises; a damaged block ends the search.
bool LocateInDebugBlock(const TDebugBlockModule& module, std::uintptr_t address,
                        const TCodeByteReader& readCode, TCodeLocation& location);

// Code offsets in debug data count from here.
inline constexpr std::uintptr_t kCodeSectionOffset = 0x1000;

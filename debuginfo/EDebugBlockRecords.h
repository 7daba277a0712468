// The records of a module's compact debug block, one at a time: unit headers,
// the five line-record forms, and the line a procedure counts its lines from.
// Pure; reading never runs past the block: a short read fails the cursor.
//
// Block layout (little-endian): [version 405..499: u32 L, L skipped bytes]
// u32 unit count, then unit records: name field, i32 first line, u32 code
// start, u32 code size, u32 line data length D, D bytes of line records.
// Offsets count from the module handle + kCodeSectionOffset.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "debuginfo/EDebugBlock.h"
#include "debuginfo/EDebugBlockNames.h"
#include "platform/memory/MemoryReader.h"

struct TUnitHeader {
  TRawBlockName Name;
  std::int32_t FirstLine = 0;
  std::uint32_t CodeStart = 0;
  std::uint32_t CodeSize = 0;
  std::size_t LineDataStart = 0;  // position in the block
  std::uint32_t LineDataLength = 0;

  bool Contains(std::uint64_t offset) const {
    return CodeSize > 0 && offset >= CodeStart && offset <= LastByte();
  }
  std::uint64_t LastByte() const { return std::uint64_t{CodeStart} + CodeSize - 1; }
  // The unit's line records, cut where the block ends.
  std::span<const std::uint8_t> LineData(std::span<const std::uint8_t> block) const;
};

// The number of units, after the skipped part of versions 405 to 499.
std::uint32_t ReadUnitCount(TByteCursor& cursor, std::uint16_t version);
// One unit header; the cursor stays at its line data. Nothing when the
// header is cut short.
std::optional<TUnitHeader> ReadUnitHeader(TByteCursor& cursor, const TBlockNameDecoder& names);
// Moves the cursor past the unit's line data, failing it when they would end
// beyond the block (however large the stored length).
void SkipLineData(TByteCursor& cursor, const TUnitHeader& unit);

// One decoded line record: how far it moves the line and the code offset,
// and whether a procedure name field follows it.
struct TLineStep {
  std::int16_t LineDelta = 0;
  std::uint32_t AddressDelta = 0;
  bool StartsProcedure = false;
};
TLineStep ReadLineStep(TByteCursor& cursor, std::uint16_t version);
// The line after `step`; line numbers wrap at 32 bits.
inline std::int32_t AdvanceLine(std::int32_t line, const TLineStep& step) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(line) +
                                   static_cast<std::uint32_t>(std::int32_t{step.LineDelta}));
}

// The line a procedure counts its lines from: one before its recorded
// `startLine` unless its code at `procedureAddress` opens with a stack frame
// or a saved EBX; always one before for "Finalization", never for
// "Initialization". `code` (may be null) reads those first bytes.
std::int32_t CountingStartLine(std::int32_t startLine, std::string_view routineName,
                               std::uintptr_t procedureAddress, const TMemoryReader* code);

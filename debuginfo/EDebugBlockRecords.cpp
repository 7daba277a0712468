#include "debuginfo/EDebugBlockRecords.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

std::span<const std::uint8_t> TUnitHeader::LineData(std::span<const std::uint8_t> block) const {
  if (LineDataStart > block.size()) return {};
  return block.subspan(LineDataStart,
                       std::min<std::size_t>(LineDataLength, block.size() - LineDataStart));
}

std::uint32_t ReadUnitCount(TByteCursor& cursor, std::uint16_t version) {
  if (version >= 405 && version <= 499) cursor.Skip(cursor.U32());
  return cursor.U32();
}

std::optional<TUnitHeader> ReadUnitHeader(TByteCursor& cursor, const TBlockNameDecoder& names) {
  TUnitHeader unit;
  unit.Name = names.Read(cursor);
  unit.FirstLine = cursor.I32();
  unit.CodeStart = cursor.U32();
  unit.CodeSize = cursor.U32();
  unit.LineDataLength = cursor.U32();
  unit.LineDataStart = cursor.Position();
  if (cursor.Failed()) return std::nullopt;
  return unit;
}

void SkipLineData(TByteCursor& cursor, const TUnitHeader& unit) {
  const std::uint64_t end = std::uint64_t{unit.LineDataStart} + unit.LineDataLength;
  cursor.Seek(
      static_cast<std::size_t>(std::min<std::uint64_t>(end, cursor.Size() + std::uint64_t{1})));
}

TLineStep ReadLineStep(TByteCursor& cursor, std::uint16_t version) {
  TLineStep step;
  const std::uint8_t f = cursor.U8();
  if ((f & 1) == 0) {
    step.LineDelta = static_cast<std::int16_t>((f >> 6) + 1);
    step.AddressDelta = ((f >> 1) & 31) + 1;
  } else if ((f & 2) == 0) {
    step.LineDelta = static_cast<std::int16_t>((f >> 5) + 1);
    step.AddressDelta = ((f >> 2) & 7) + 1;
    step.StartsProcedure = true;
  } else if ((f & 8) == 0) {
    const std::uint32_t v = (f | (std::uint32_t{cursor.U8()} << 8)) >> 4;
    step.LineDelta = static_cast<std::int16_t>((v >> 7) + 1);
    step.AddressDelta = (v & 127) + 1;
    step.StartsProcedure = (f & 4) != 0;
  } else {
    std::uint32_t word = f | (std::uint32_t{cursor.U8()} << 8);
    word |= std::uint32_t{cursor.U16()} << 16;
    const std::uint32_t v = word >> 4;
    step.StartsProcedure = (f & 4) != 0;
    if (v == 0x0FFEFFFE && version >= 423) {
      step.LineDelta = static_cast<std::int16_t>(cursor.U16() + 1);
      step.AddressDelta = std::uint32_t{cursor.U16()} + 1;
    } else {
      step.LineDelta = static_cast<std::int16_t>((v & 0xFFFF) + 1);
      const std::uint32_t field = v >> 16;
      step.AddressDelta = field == 4095 ? 0 : field + 1;
    }
  }
  return step;
}

namespace {

bool StartsWith(const std::uint8_t* code, std::size_t size,
                std::initializer_list<std::uint8_t> bytes) {
  return size >= bytes.size() && std::memcmp(code, std::data(bytes), bytes.size()) == 0;
}

}  // namespace

// Both assembler encodings of "mov ebp, esp" count as a frame.
std::int32_t CountingStartLine(std::int32_t startLine, std::string_view routineName,
                               std::uintptr_t procedureAddress, const TMemoryReader* code) {
  if (routineName == "Finalization") return startLine - 1;
  if (routineName == "Initialization") return startLine;
  std::uint8_t bytes[3] = {};
  const std::size_t got = code ? code->Read(procedureAddress, bytes, sizeof bytes) : 0;
  const bool frame = StartsWith(bytes, got, {0x55, 0x8B, 0xEC}) ||
                     StartsWith(bytes, got, {0x55, 0x89, 0xE5}) || StartsWith(bytes, got, {0x53});
  return frame ? startLine : startLine - 1;
}

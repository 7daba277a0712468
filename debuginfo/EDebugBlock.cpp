#include "debuginfo/EDebugBlock.h"

#include <cstring>
#include <optional>
#include <string>

#include "debuginfo/EDebugBlockNames.h"

namespace {

struct TUnitHeader {
  TRawBlockName Name;
  std::int32_t FirstLine = 0;
  std::uint32_t CodeStart = 0;
  std::uint32_t CodeSize = 0;
  std::size_t LineDataStart = 0;
  std::uint32_t LineDataLength = 0;

  bool Contains(std::uint64_t offset) const {
    return CodeSize > 0 && offset >= CodeStart && offset <= std::uint64_t{CodeStart} + CodeSize - 1;
  }
  std::uint64_t LastByte() const { return std::uint64_t{CodeStart} + CodeSize - 1; }
};

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

// One decoded line record.
struct TLineStep {
  std::int16_t LineDelta = 0;
  std::uint32_t AddressDelta = 0;
  bool StartsProcedure = false;
};

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

// The latest procedure record: which of the unit's procedure names it has
// (names are deciphered only for the answer) and where it started.
struct TProcedure {
  bool Seen = false;
  int NameIndex = -1;  // into the walk's procedure names; -1: none yet
  std::int32_t StartLine = 0;
  std::uint64_t StartOffset = 0;
};

struct TProcedureNames {
  std::string ClassName;
  std::string RoutineName;
};

bool StartsWith(const std::uint8_t* code, std::size_t size,
                std::initializer_list<std::uint8_t> bytes) {
  return size >= bytes.size() && std::memcmp(code, std::data(bytes), bytes.size()) == 0;
}

// The line the procedure counts its lines from: one before its recorded line
// unless it opens with a stack frame or a saved EBX (both assembler encodings
// of "mov ebp, esp" count as a frame), and always one before for
// "Finalization".
std::int32_t CountingStartLine(const TProcedure& procedure, const std::string& routineName,
                               std::uintptr_t procedureAddress, const TMemoryReader* code) {
  if (routineName == "Finalization") return procedure.StartLine - 1;
  if (routineName == "Initialization") return procedure.StartLine;
  std::uint8_t bytes[3] = {};
  const std::size_t got = code ? code->Read(procedureAddress, bytes, sizeof bytes) : 0;
  const bool frame = StartsWith(bytes, got, {0x55, 0x8B, 0xEC}) ||
                     StartsWith(bytes, got, {0x55, 0x89, 0xE5}) || StartsWith(bytes, got, {0x53});
  return frame ? procedure.StartLine : procedure.StartLine - 1;
}

class TLineWalk {
 public:
  TLineWalk(const TDebugBlockModule& module, const TUnitHeader& unit,
            const TBlockNameDecoder& names, std::uint64_t offset, const TMemoryReader* code)
      : module_(module), unit_(unit), names_(names), offset_(offset), code_(code) {}

  bool Run(TCodeLocation& location) {
    namesSeen_.reserve(64);
    TByteCursor cursor(module_.Block.subspan(
        unit_.LineDataStart,
        std::min<std::size_t>(unit_.LineDataLength, module_.Block.size() - unit_.LineDataStart)));
    std::int32_t line = unit_.FirstLine;
    std::uint64_t address = unit_.CodeStart;
    bool inFirstStretch = false;  // before the first record's offset
    bool haveRecord = false;
    std::int32_t recordLine = 0;
    std::uint64_t recordOffset = 0;
    TProcedure procedure;
    TProcedure recordProcedure;

    while (!cursor.AtEnd()) {
      const TLineStep step = ReadLineStep(cursor, module_.Version);
      TProcedure next = procedure;
      if (step.StartsProcedure) {
        namesSeen_.push_back(names_.Read(cursor));
        next.NameIndex = static_cast<int>(namesSeen_.size()) - 1;
      }
      if (cursor.Failed()) break;
      const std::int32_t nextLine = line + step.LineDelta;
      const std::uint64_t nextOffset = address + step.AddressDelta;
      if (!haveRecord && offset_ < nextOffset) inFirstStretch = true;
      if (haveRecord && !inFirstStretch && offset_ >= recordOffset && offset_ < nextOffset) {
        return Answer(location, recordLine, recordProcedure);
      }
      if (step.StartsProcedure) {
        if (inFirstStretch) {
          // The stretch before the first record takes the first procedure's
          // names; its start lies after the address.
          return Answer(location, unit_.FirstLine, next);
        }
        next.Seen = true;
        next.StartLine = nextLine;
        next.StartOffset = nextOffset;
      }
      procedure = next;
      line = nextLine;
      address = nextOffset;
      haveRecord = true;
      recordLine = line;
      recordOffset = address;
      recordProcedure = procedure;
    }
    if (inFirstStretch || !haveRecord) return Answer(location, unit_.FirstLine, TProcedure{});
    if (offset_ >= recordOffset && offset_ <= unit_.LastByte()) {
      return Answer(location, recordLine, recordProcedure);
    }
    return false;
  }

 private:
  // "Class.Routine", ".Routine" (the class of the procedure record before)
  // or "Routine" alone.
  TProcedureNames NamesOf(int index) const {
    TProcedureNames names;
    if (index < 0) return names;
    const std::string text = names_.Text(namesSeen_[index]);
    if (!text.empty() && text[0] == '.') {
      names = NamesOf(index - 1);
      names.RoutineName = text.substr(1);
      return names;
    }
    const auto dot = text.find('.');
    if (dot == std::string::npos) {
      names.RoutineName = text;
    } else {
      names.ClassName = text.substr(0, dot);
      names.RoutineName = text.substr(dot + 1);
    }
    return names;
  }

  bool Answer(TCodeLocation& location, std::int32_t line, const TProcedure& procedure) {
    const TProcedureNames names = NamesOf(procedure.NameIndex);
    location.Precision = lpLine;
    location.CodeAddress =
        static_cast<std::uint32_t>(module_.Handle + kCodeSectionOffset + offset_);
    location.SourceUnit.Assign(names_.UnitText(unit_.Name));
    location.OwnerClass.Assign(names.ClassName);
    location.RoutineName.Assign(names.RoutineName);
    location.SourceLine = line;
    location.RoutineLineOffset = 0;
    if (procedure.Seen) {
      const std::uintptr_t start = module_.Handle + kCodeSectionOffset + procedure.StartOffset;
      const std::int32_t lines =
          line - CountingStartLine(procedure, names.RoutineName, start, code_);
      location.RoutineLineOffset = lines < 0 ? 0 : lines;
    }
    return true;
  }

  const TDebugBlockModule& module_;
  const TUnitHeader& unit_;
  const TBlockNameDecoder& names_;
  std::uint64_t offset_;
  const TMemoryReader* code_;
  std::vector<TRawBlockName> namesSeen_;
};

}  // namespace

bool LocateInDebugBlock(const TDebugBlockModule& module, std::uintptr_t address,
                        const TMemoryReader* code, TCodeLocation& location) {
  if (address < module.Handle + kCodeSectionOffset) return false;
  const std::uint64_t offset = address - module.Handle - kCodeSectionOffset;
  const TBlockNameDecoder names(module.Version, module.Password, module.PasswordValid);
  TByteCursor cursor(module.Block);
  if (module.Version >= 405 && module.Version <= 499) cursor.Skip(cursor.U32());
  const std::uint32_t unitCount = cursor.U32();
  for (std::uint32_t i = 0; i < unitCount && !cursor.Failed(); ++i) {
    auto unit = ReadUnitHeader(cursor, names);
    if (!unit) return false;
    cursor.Seek(unit->LineDataStart + unit->LineDataLength);
    if (!unit->Contains(offset)) continue;
    // A unit that begins inside the found unit's range and also holds the
    // address is nested in it and wins; the last such unit is taken.
    TUnitHeader chosen = *unit;
    const std::uint64_t end = unit->LastByte();
    for (std::uint32_t j = i + 1; j < unitCount && !cursor.Failed(); ++j) {
      auto inner = ReadUnitHeader(cursor, names);
      if (!inner || inner->CodeStart > end) break;
      cursor.Seek(inner->LineDataStart + inner->LineDataLength);
      if (inner->Contains(offset)) chosen = *inner;
    }
    return TLineWalk(module, chosen, names, offset, code).Run(location);
  }
  return false;
}

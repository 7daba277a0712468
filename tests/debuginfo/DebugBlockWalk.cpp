#include "DebugBlockWalk.h"

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "debuginfo/EDebugBlockIndex.h"
#include "debuginfo/EDebugBlockRecords.h"

namespace {

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

class TLineWalk {
 public:
  TLineWalk(const TDebugBlockModule& module, const TUnitHeader& unit,
            const TBlockNameDecoder& names, std::uint64_t offset, const TMemoryReader* code)
      : module_(module), unit_(unit), names_(names), offset_(offset), code_(code) {}

  bool Run(TCodeLocation& location) {
    namesSeen_.reserve(64);
    TByteCursor cursor(unit_.LineData(module_.Block));
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
      const std::int32_t nextLine = AdvanceLine(line, step);
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
          line - CountingStartLine(procedure.StartLine, names.RoutineName, start, code_);
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

bool WalkDebugBlock(const TDebugBlockModule& module, std::uintptr_t address,
                    const TMemoryReader* code, TCodeLocation& location) {
  if (address < module.Handle + kCodeSectionOffset) return false;
  const std::uint64_t offset = address - module.Handle - kCodeSectionOffset;
  const TBlockNameDecoder names(module.Version, module.Password, module.PasswordValid);
  TByteCursor cursor(module.Block);
  const std::uint32_t unitCount = ReadUnitCount(cursor, module.Version);
  for (std::uint32_t i = 0; i < unitCount && !cursor.Failed(); ++i) {
    auto unit = ReadUnitHeader(cursor, names);
    if (!unit) return false;
    SkipLineData(cursor, *unit);
    if (!unit->Contains(offset)) continue;
    // A unit that begins inside the found unit's range and also holds the
    // address is nested in it and wins; the last such unit is taken.
    TUnitHeader chosen = *unit;
    const std::uint64_t end = unit->LastByte();
    for (std::uint32_t j = i + 1; j < unitCount && !cursor.Failed(); ++j) {
      auto inner = ReadUnitHeader(cursor, names);
      if (!inner || inner->CodeStart > end) break;
      SkipLineData(cursor, *inner);
      if (inner->Contains(offset)) chosen = *inner;
    }
    return TLineWalk(module, chosen, names, offset, code).Run(location);
  }
  return false;
}

namespace {

std::string Describe(bool found, const TCodeLocation& location) {
  std::ostringstream text;
  if (!found) return "not found";
  text << "precision " << int{location.Precision} << ", address 0x" << std::hex
       << location.CodeAddress << std::dec << ", \"" << location.SourceUnit.View() << "\" \""
       << location.OwnerClass.View() << "\" \"" << location.RoutineName.View() << "\", line "
       << location.SourceLine << " +" << location.RoutineLineOffset;
  return text.str();
}

}  // namespace

std::string FirstDifferenceFromWalk(const TDebugBlockModule& module, const TDebugBlockIndex& index,
                                    const TMemoryReader* code, std::uintptr_t first,
                                    std::uintptr_t end, TWalkComparison which) {
  std::size_t compared = 0;
  for (std::uintptr_t address = first; address < end; address += which.Step, ++compared) {
    TCodeLocation walked, indexed, once;  // zero-filled with their padding, for comparing bytes
    std::memset(&walked, 0, sizeof walked);
    std::memset(&indexed, 0, sizeof indexed);
    std::memset(&once, 0, sizeof once);
    const bool walkFound = WalkDebugBlock(module, address, code, walked);
    const bool indexFound = index.Locate(address, code, indexed);
    bool onceFound = walkFound;
    if (compared % which.OneOffEvery == 0) {
      onceFound = LocateInDebugBlock(module, address, code, once);
    } else {
      once = walked;
    }
    if (walkFound == indexFound && std::memcmp(&walked, &indexed, sizeof walked) == 0 &&
        walkFound == onceFound && std::memcmp(&walked, &once, sizeof walked) == 0) {
      continue;
    }
    std::ostringstream text;
    text << "at 0x" << std::hex << address << std::dec << " the walk gives "
         << Describe(walkFound, walked) << ", the index " << Describe(indexFound, indexed)
         << ", the one-off lookup " << Describe(onceFound, once);
    return text.str();
  }
  return {};
}

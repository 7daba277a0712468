// A module's compact debug block read once into sorted tables, so that a
// lookup is three binary searches instead of a walk through the block:
//
//  - the code offsets split where units begin and end, each piece naming the
//    unit a lookup takes there (the first unit in block order that holds the
//    offset, unless a unit that follows it and begins inside its range also
//    holds it: then the last such unit, the one nested deepest);
//  - per unit, its line records in code order, each with its line and the
//    procedure it belongs to;
//  - the procedures with their start offset, start line and names.
//
// Answers exactly as a walk through the block record by record would.
// Pure: the code bytes at a procedure start (which decide the line it counts
// from) come through the memory reader given to Locate, read at each answer.
//
// Owns all it answers from: the block, the password and the name cipher are
// used only while building (the index keys a cipher of its own from the
// module's password and deciphers every name once), so the block may be freed
// afterwards. Building never raises for damaged data: the index holds what the
// intact part of the block allows, units up to the first cut header and a
// unit's records up to its first cut record; only a failed allocation raises.
// Locate changes nothing: any number of threads may look up at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <atomic>
#include <memory>
#include <string_view>
#include <vector>

#include "debuginfo/EDebugBlock.h"

struct TUnitHeader;
class TBlockNameDecoder;

class TDebugBlockIndex {
 public:
  explicit TDebugBlockIndex(const TDebugBlockModule& module);

  // As LocateInDebugBlock: on success fills Precision (lpLine), CodeAddress,
  // SourceUnit, OwnerClass, RoutineName, SourceLine and RoutineLineOffset and
  // returns true; otherwise leaves the record alone. Never raises.
  bool Locate(std::uintptr_t address, const TMemoryReader* code, TCodeLocation& location) const;
  // The same answer without keeping an index: reads the unit headers as far
  // as a walk through the block would, and of the unit the address falls in
  // the records up to the one that answers.
  static bool LocateOnce(const TDebugBlockModule& module, std::uintptr_t address,
                         const TMemoryReader* code, TCodeLocation& location);

  // The size of the tables, for the benchmark's figures.
  std::size_t UnitCount() const { return units_.size(); }
  std::size_t LineCount() const { return lines_.size(); }
  std::size_t MemoryBytes() const;

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;

  struct TText {  // a piece of names_
    std::uint32_t At = 0;
    std::uint32_t Length = 0;
  };
  struct TRange {  // from Start up to the next range's Start
    std::uint64_t Start = 0;
    std::uint32_t Unit = kNone;
  };
  struct TUnit {
    TText Name;
    std::int32_t FirstLine = 0;
    std::uint32_t CodeStart = 0;
    std::uint32_t LinesBegin = 0, LinesEnd = 0;  // into lines_
    std::uint32_t FirstProcedure = kNone;        // names the stretch before the first record
  };
  struct TLine {
    std::uint32_t Offset = 0;  // from the unit's code start; kNone at and beyond 2^32 - 1
    std::int32_t Line = 0;
    std::uint32_t Procedure = kNone;
  };
  struct TProcedure {
    std::uint32_t Offset = 0;  // as TLine::Offset
    std::int32_t Line = 0;
    TText ClassName, RoutineName;
  };

  // Indexes every unit, or only the unit that a lookup of `onlyOffset` takes
  // (then only that offset may be looked up).
  TDebugBlockIndex(const TDebugBlockModule& module, std::optional<std::uint64_t> onlyOffset);
  void IndexUnitRanges(const std::vector<TUnitHeader>& headers);
  std::uint32_t UnitAt(std::uint64_t offset) const;
  void AddUnit(const TUnitHeader& header, std::span<const std::uint8_t> block,
               std::uint16_t version, const TBlockNameDecoder& names,
               std::optional<std::uint64_t> onlyOffset);
  std::uint32_t AddProcedure(const std::string& text, std::uint32_t offset, std::int32_t line,
                             TText previousClass);
  TText Keep(std::string_view text);
  std::string_view View(TText text) const { return {names_.data() + text.At, text.Length}; }
  bool Answer(const TUnit& unit, std::uint64_t offset, std::int32_t line, std::uint32_t procedure,
              bool procedureStarted, const TMemoryReader* code, TCodeLocation& location) const;

  std::uintptr_t handle_ = 0;
  std::vector<TRange> ranges_;
  std::vector<TUnit> units_;
  std::vector<TLine> lines_;
  std::vector<TProcedure> procedures_;
  std::string names_;
  // Per procedure: where it counts its lines from, relative to its recorded
  // line (+2), learnt from its first code bytes at its first answer; 0 until
  // then. Lookups from several threads may learn it at once: they agree.
  std::unique_ptr<std::atomic<std::int8_t>[]> countingShifts_;
};

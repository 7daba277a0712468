#include "debuginfo/EDebugBlockIndex.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "debuginfo/EDebugBlockRecords.h"

namespace {

// For each unit, the first later unit that begins after the unit's last
// byte (or the unit count): where the look-ahead for units nested in it
// stops. The candidates are the later units that begin after every unit
// between; they wait on a stack whose code starts fall towards its back.
std::vector<std::uint32_t> LookAheadEnds(const std::vector<TUnitHeader>& headers) {
  const auto count = static_cast<std::uint32_t>(headers.size());
  std::vector<std::uint32_t> ends(count, count);
  std::vector<std::uint32_t> later;
  for (std::uint32_t i = count; i-- > 0;) {
    if (headers[i].CodeSize > 0) {
      const std::uint64_t last = headers[i].LastByte();
      const auto after = std::partition_point(
          later.begin(), later.end(), [&](std::uint32_t j) { return headers[j].CodeStart > last; });
      if (after != later.begin()) ends[i] = *std::prev(after);
    }
    while (!later.empty() && headers[later.back()].CodeStart <= headers[i].CodeStart) {
      later.pop_back();
    }
    later.push_back(i);
  }
  return ends;
}

// The header of the unit a lookup of `offset` takes, read as a walk through
// the block finds it: the first unit that holds the offset, or of the units
// that follow it and begin inside its range the last one that holds it.
std::optional<TUnitHeader> UnitHolding(TByteCursor& cursor, std::uint32_t count,
                                       const TBlockNameDecoder& names, std::uint64_t offset) {
  std::optional<TUnitHeader> chosen;
  std::uint64_t end = 0;  // the first holder's last byte
  for (std::uint32_t i = 0; i < count && !cursor.Failed(); ++i) {
    const auto header = ReadUnitHeader(cursor, names);
    if (!header || (chosen && header->CodeStart > end)) break;
    SkipLineData(cursor, *header);
    if (!header->Contains(offset)) continue;
    if (!chosen) end = header->LastByte();
    chosen = header;
  }
  return chosen;
}

// Offsets from a unit's code start: a lookup's offset stays below 2^32 - 1
// (it lies in the unit), so larger ones may all read as that.
std::uint32_t Saturated(std::uint64_t offset) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(offset, 0xFFFFFFFF));
}

}  // namespace

TDebugBlockIndex::TDebugBlockIndex(const TDebugBlockModule& module)
    : TDebugBlockIndex(module, std::nullopt) {}

TDebugBlockIndex::TDebugBlockIndex(const TDebugBlockModule& module,
                                   std::optional<std::uint64_t> onlyOffset)
    : handle_(module.Handle) {
  const TBlockNameDecoder names(module.Version, module.Password, module.PasswordValid);
  TByteCursor cursor(module.Block);
  const std::uint32_t count = ReadUnitCount(cursor, module.Version);
  if (onlyOffset) {
    if (const auto header = UnitHolding(cursor, count, names, *onlyOffset)) {
      ranges_ = {{header->CodeStart, 0}, {header->LastByte() + 1, kNone}};
      AddUnit(*header, module.Block, module.Version, names, onlyOffset);
    }
    return;
  }
  std::vector<TUnitHeader> headers;
  for (std::uint32_t i = 0; i < count && !cursor.Failed(); ++i) {
    const auto header = ReadUnitHeader(cursor, names);
    if (!header) break;
    SkipLineData(cursor, *header);
    headers.push_back(*header);
  }
  IndexUnitRanges(headers);
  units_.reserve(headers.size());
  for (const TUnitHeader& header : headers) {
    AddUnit(header, module.Block, module.Version, names, std::nullopt);
  }
  lines_.shrink_to_fit();
  procedures_.shrink_to_fit();
  names_.shrink_to_fit();
  countingShifts_ = std::make_unique<std::atomic<std::int8_t>[]>(procedures_.size());
}

// Sweeps the units' edges in code order, keeping the units that hold the
// current stretch: the first of them in block order is where a walk through
// the block stops, and of those that follow it up to its look-ahead end the
// last one wins.
void TDebugBlockIndex::IndexUnitRanges(const std::vector<TUnitHeader>& headers) {
  const std::vector<std::uint32_t> ends = LookAheadEnds(headers);
  struct TEdge {
    std::uint64_t At;
    std::uint32_t Unit;
    bool Opens;
  };
  std::vector<TEdge> edges;
  for (std::uint32_t i = 0; i < headers.size(); ++i) {
    if (headers[i].CodeSize == 0) continue;  // holds nothing
    edges.push_back({headers[i].CodeStart, i, true});
    edges.push_back({headers[i].LastByte() + 1, i, false});
  }
  std::sort(edges.begin(), edges.end(), [](const TEdge& a, const TEdge& b) { return a.At < b.At; });
  std::set<std::uint32_t> holding;
  for (std::size_t at = 0; at < edges.size();) {
    const std::uint64_t position = edges[at].At;
    for (; at < edges.size() && edges[at].At == position; ++at) {
      if (edges[at].Opens) {
        holding.insert(edges[at].Unit);
      } else {
        holding.erase(edges[at].Unit);
      }
    }
    std::uint32_t unit = kNone;
    if (!holding.empty()) unit = *std::prev(holding.lower_bound(ends[*holding.begin()]));
    if (ranges_.empty() || ranges_.back().Unit != unit) ranges_.push_back({position, unit});
  }
}

// Reads the unit's records up to the first cut one, or for a single lookup
// up to where its answer is settled. Of records at the same offset only the
// last owns code, so it replaces the others.
void TDebugBlockIndex::AddUnit(const TUnitHeader& header, std::span<const std::uint8_t> block,
                               std::uint16_t version, const TBlockNameDecoder& names,
                               std::optional<std::uint64_t> onlyOffset) {
  TUnit unit;
  unit.Name = Keep(names.UnitText(header.Name));
  unit.FirstLine = header.FirstLine;
  unit.CodeStart = header.CodeStart;
  unit.LinesBegin = static_cast<std::uint32_t>(lines_.size());
  TByteCursor cursor(header.LineData(block));
  std::int32_t line = header.FirstLine;
  std::uint64_t offset = 0;
  std::uint32_t procedure = kNone;
  TText className;  // of the latest procedure, for ".Routine"
  while (!cursor.AtEnd()) {
    const TLineStep step = ReadLineStep(cursor, version);
    TRawBlockName name;
    if (step.StartsProcedure) name = names.Read(cursor);
    if (cursor.Failed()) break;
    line = AdvanceLine(line, step);
    offset += step.AddressDelta;
    const TLine entry{Saturated(offset), line, kNone};
    if (step.StartsProcedure) {
      procedure = AddProcedure(names.Text(name), entry.Offset, line, className);
      className = procedures_[procedure].ClassName;
      if (unit.FirstProcedure == kNone) unit.FirstProcedure = procedure;
    }
    if (lines_.size() > unit.LinesBegin && lines_.back().Offset == entry.Offset) lines_.pop_back();
    lines_.push_back({entry.Offset, line, procedure});
    // Settled: before the first record once the first procedure is known,
    // else once a record lies beyond the offset.
    if (onlyOffset) {
      const std::uint64_t asked = *onlyOffset - header.CodeStart;
      if (asked < lines_[unit.LinesBegin].Offset ? unit.FirstProcedure != kNone
                                                 : entry.Offset > asked) {
        break;
      }
    }
  }
  unit.LinesEnd = static_cast<std::uint32_t>(lines_.size());
  units_.push_back(unit);
}

// "Class.Routine", ".Routine" (the class of the procedure before) or
// "Routine" alone.
std::uint32_t TDebugBlockIndex::AddProcedure(const std::string& text, std::uint32_t offset,
                                             std::int32_t line, TText previousClass) {
  TProcedure procedure{offset, line, {}, {}};
  const auto dot = text.find('.');
  if (dot == 0) {
    procedure.ClassName = previousClass;
    procedure.RoutineName = Keep(std::string_view(text).substr(1));
  } else if (dot == std::string::npos) {
    procedure.RoutineName = Keep(text);
  } else {
    procedure.ClassName = Keep(std::string_view(text).substr(0, dot));
    procedure.RoutineName = Keep(std::string_view(text).substr(dot + 1));
  }
  procedures_.push_back(procedure);
  return static_cast<std::uint32_t>(procedures_.size() - 1);
}

TDebugBlockIndex::TText TDebugBlockIndex::Keep(std::string_view text) {
  const TText kept{static_cast<std::uint32_t>(names_.size()),
                   static_cast<std::uint32_t>(text.size())};
  names_ += text;
  return kept;
}

std::uint32_t TDebugBlockIndex::UnitAt(std::uint64_t offset) const {
  const auto range = std::upper_bound(
      ranges_.begin(), ranges_.end(), offset,
      [](std::uint64_t value, const TRange& range) { return value < range.Start; });
  return range == ranges_.begin() ? kNone : std::prev(range)->Unit;
}

bool TDebugBlockIndex::LocateOnce(const TDebugBlockModule& module, std::uintptr_t address,
                                  const TMemoryReader* code, TCodeLocation& location) {
  if (address < module.Handle + kCodeSectionOffset) return false;
  return TDebugBlockIndex(module, address - module.Handle - kCodeSectionOffset)
      .Locate(address, code, location);
}

bool TDebugBlockIndex::Locate(std::uintptr_t address, const TMemoryReader* code,
                              TCodeLocation& location) const {
  if (address < handle_ + kCodeSectionOffset) return false;
  const std::uint64_t offset = address - handle_ - kCodeSectionOffset;
  const std::uint32_t unitIndex = UnitAt(offset);
  if (unitIndex == kNone) return false;
  const TUnit& unit = units_[unitIndex];
  const auto relative = static_cast<std::uint32_t>(offset - unit.CodeStart);
  const TLine* first = lines_.data() + unit.LinesBegin;
  const TLine* end = lines_.data() + unit.LinesEnd;
  if (first == end || relative < first->Offset) {
    // Before the first record: the unit's first line, named after its first
    // procedure, which starts after the address.
    return Answer(unit, offset, unit.FirstLine, unit.FirstProcedure, false, code, location);
  }
  const TLine& record =
      *std::prev(std::upper_bound(first, end, relative, [](std::uint32_t value, const TLine& line) {
        return value < line.Offset;
      }));
  return Answer(unit, offset, record.Line, record.Procedure, record.Procedure != kNone, code,
                location);
}

bool TDebugBlockIndex::Answer(const TUnit& unit, std::uint64_t offset, std::int32_t line,
                              std::uint32_t procedure, bool procedureStarted,
                              const TMemoryReader* code, TCodeLocation& location) const {
  const TProcedure* names = procedure == kNone ? nullptr : &procedures_[procedure];
  location.Precision = lpLine;
  location.CodeAddress = static_cast<std::uint32_t>(handle_ + kCodeSectionOffset + offset);
  location.SourceUnit.Assign(View(unit.Name));
  location.OwnerClass.Assign(names ? View(names->ClassName) : std::string_view());
  location.RoutineName.Assign(names ? View(names->RoutineName) : std::string_view());
  location.SourceLine = line;
  location.RoutineLineOffset = 0;
  if (names && procedureStarted) {
    std::int8_t shift =
        countingShifts_ ? countingShifts_[procedure].load(std::memory_order_relaxed) : 0;
    if (shift == 0) {
      const std::uintptr_t start =
          handle_ + kCodeSectionOffset + (std::uint64_t{unit.CodeStart} + names->Offset);
      shift = static_cast<std::int8_t>(
          CountingStartLine(names->Line, View(names->RoutineName), start, code) - names->Line + 2);
      if (countingShifts_) countingShifts_[procedure].store(shift, std::memory_order_relaxed);
    }
    const std::int32_t lines = line - (names->Line + shift - 2);
    location.RoutineLineOffset = lines < 0 ? 0 : lines;
  }
  return true;
}

std::size_t TDebugBlockIndex::MemoryBytes() const {
  return sizeof *this + ranges_.capacity() * sizeof(TRange) + units_.capacity() * sizeof(TUnit) +
         lines_.capacity() * sizeof(TLine) + procedures_.capacity() * sizeof(TProcedure) +
         names_.capacity();
}

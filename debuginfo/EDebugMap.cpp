#include "debuginfo/EDebugMap.h"

#include <algorithm>

namespace {
constexpr std::uint32_t kCodeSegment = 1;
constexpr std::size_t kTableGrowth = 256;

template <class Entry>
void Append(std::vector<Entry>& table, const Entry& entry) {
  if (table.size() == table.capacity()) table.reserve(table.size() + kTableGrowth);
  table.push_back(entry);
}
}  // namespace

TELMapScanner::TELMapScanner(std::string text) : TELAbstractMapParser(std::move(text)) {
  Parse();
  procedures_.shrink_to_fit();
  lines_.shrink_to_fit();
}

void TELMapScanner::OnSegmentLine(TMapAddress address, std::uint32_t length, TMapNamePos,
                                  TMapNamePos unitName) {
  if (address.Segment != kCodeSegment) return;
  const std::int64_t start = address.Offset;
  const std::int64_t end = start + length;
  segments_.push_back({start, end, unitName});
  topValidOffset_ = std::max(topValidOffset_, end);
}

void TELMapScanner::OnPublicByValue(TMapAddress address, TMapNamePos name) {
  if (address.Segment == kCodeSegment) Append(procedures_, {address.Offset, name});
}

void TELMapScanner::OnLineNumbersUnit(TMapNamePos, TMapNamePos unitFileName) {
  pendingSourceName_ = unitFileName;
  sourceNamePending_ = true;
}

void TELMapScanner::OnLineNumber(std::int32_t lineNumber, TMapAddress address) {
  const std::int64_t offset = address.Offset;
  const bool rejected = (haveAccepted_ && lastAccepted_ != 0 && offset <= 0) ||
                        offset > topValidOffset_ || address.Segment != kCodeSegment ||
                        (haveAccepted_ && offset <= lastAccepted_);
  if (rejected) {
    ++lineNumberErrors_;
    return;
  }
  Append(lines_, {offset, lineNumber});
  haveAccepted_ = true;
  lastAccepted_ = offset;
  if (sourceNamePending_) {
    sourceNames_.push_back({offset, pendingSourceName_});
    sourceNamePending_ = false;
  }
}

template <class Entry>
const Entry* TELMapScanner::Nearest(const std::vector<Entry>& table, std::int64_t offset) const {
  const std::int64_t moduleStart = ModuleStartFromOffset(offset);
  auto after =
      std::upper_bound(table.begin(), table.end(), offset,
                       [](std::int64_t value, const Entry& e) { return value < e.Offset; });
  if (after == table.begin()) return nullptr;
  const Entry& found = *(after - 1);
  if (moduleStart < 0 || found.Offset < moduleStart) return nullptr;
  return &found;
}

std::int64_t TELMapScanner::ModuleStartFromOffset(std::int64_t offset) const {
  for (auto it = segments_.rbegin(); it != segments_.rend(); ++it) {
    if (it->Start <= offset && offset <= it->End) return it->Start;
  }
  return -1;
}

std::string TELMapScanner::UnitNameFromOffset(std::int64_t offset) const {
  for (auto it = segments_.rbegin(); it != segments_.rend(); ++it) {
    if (it->Start <= offset && offset <= it->End) return NameText(it->UnitName);
  }
  return {};
}

std::string TELMapScanner::ProcedureNameFromOffset(std::int64_t offset,
                                                   std::int64_t* distance) const {
  const TNamedOffset* found = Nearest(procedures_, offset);
  if (distance) *distance = found ? offset - found->Offset : 0;
  return found ? NameText(found->Name) : std::string();
}

std::int32_t TELMapScanner::LineNumberFromOffset(std::int64_t offset,
                                                 std::int64_t* distance) const {
  const TLineEntry* found = Nearest(lines_, offset);
  if (distance) *distance = found ? offset - found->Offset : 0;
  return found ? found->Line : 0;
}

std::string TELMapScanner::SourceNameFromOffset(std::int64_t offset) const {
  const TNamedOffset* found = Nearest(sourceNames_, offset);
  return found ? NameText(found->Name) : std::string();
}

TELDebugInfoMap::TELDebugInfoMap(std::uintptr_t moduleHandle, const TModuleAccess& access)
    : TELDebugInfoSource(moduleHandle, access) {
  Open();
}

bool TELDebugInfoMap::Open() {
  auto bytes = Access().ReadWholeFile(SiblingFileName(".map"));
  if (!bytes) return false;
  scanner_ = std::make_unique<TELMapScanner>(std::string(bytes->begin(), bytes->end()));
  return true;
}

bool TELDebugInfoMap::GetLocation(std::uintptr_t address, TELLocationInfo& info) const {
  if (!scanner_) return false;
  const std::int64_t offset = AddressToOffset(address);
  info.Address = address;
  info.UnitName = scanner_->UnitNameFromOffset(offset);
  if (info.UnitName.empty()) return false;
  std::int64_t procedureDistance = 0;
  info.ProcedureName = scanner_->ProcedureNameFromOffset(offset, &procedureDistance);
  info.LineNumber = scanner_->LineNumberFromOffset(offset);
  info.SourceName = scanner_->SourceNameFromOffset(offset);
  info.LineOffset = info.LineNumber - scanner_->LineNumberFromOffset(offset - procedureDistance);
  info.DebugInfo = this;
  return true;
}

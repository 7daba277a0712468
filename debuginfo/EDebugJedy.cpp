#include "debuginfo/EDebugJedy.h"

#include <bit>
#include <cstring>

#include "debuginfo/EDebugByteCursor.h"
#include "platform/memory/ImageReader.h"

namespace {

constexpr std::size_t kMaxNameLength = 255;
constexpr std::size_t kInitialArrayCapacity = 64;

// One unsigned variable-length integer; false at the end of the data.
bool ReadVarUInt(TByteCursor& cursor, std::uint32_t& value) {
  value = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (cursor.AtEnd()) return false;
    const std::uint8_t byte = cursor.U8();
    value |= static_cast<std::uint32_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return true;
  }
  return true;
}

char PackedCharacter(std::uint32_t code) {
  if (code <= 10) return static_cast<char>('0' + code - 1);
  if (code <= 36) return static_cast<char>('A' + code - 11);
  if (code <= 62) return static_cast<char>('a' + code - 37);
  return '_';
}

template <class Entry>
void AppendGrowing(std::vector<Entry>& array, const Entry& entry) {
  if (array.size() == array.capacity()) {
    array.reserve(array.empty() ? kInitialArrayCapacity : array.capacity() + array.capacity() / 4);
  }
  array.push_back(entry);
}

}  // namespace

std::string DecodeJdbgName(std::span<const std::uint8_t> bytes) {
  std::string text;
  if (bytes.empty()) return text;
  std::size_t at = 0;
  if (bytes[0] == 1) {
    for (at = 1; at < bytes.size() && bytes[at] != 0 && text.size() < kMaxNameLength; ++at) {
      const std::uint8_t b = bytes[at];
      text += static_cast<char>(b == kJdbgNameKey ? b : b ^ kJdbgNameKey);
    }
    return text;
  }
  if (bytes[0] == 2) {
    text = "@";
    at = 1;
  }
  // Four 6-bit codes in every three bytes, least significant bits first.
  std::uint32_t bits = 0;
  int bitCount = 0;
  while (text.size() < kMaxNameLength) {
    if (bitCount < 6) {
      if (at >= bytes.size()) break;
      bits |= std::uint32_t{bytes[at++]} << bitCount;
      bitCount += 8;
    }
    const std::uint32_t code = bits & 63;
    bits >>= 6;
    bitCount -= 6;
    if (code == 0) break;
    text += PackedCharacter(code);
  }
  return text;
}

TELBinDebugScanner::TELBinDebugScanner(std::vector<std::uint8_t> data) : data_(std::move(data)) {
  if (data_.size() >= sizeof(header_)) std::memcpy(&header_, data_.data(), sizeof(header_));
  valid_ = CheckFormat();
}

bool TELBinDebugScanner::CheckFormat() const {
  if (data_.size() <= sizeof(TJdbgHeader) || data_.size() % 4 != 0) return false;
  if (std::memcmp(header_.Signature, "JDBG", 4) != 0 || header_.Version != 1) return false;
  if (header_.CheckSumPresent == 0) return true;
  std::uint32_t sum = 0u - header_.CheckSum;
  for (std::size_t at = 0; at < data_.size(); at += 4) {
    std::uint32_t word;
    std::memcpy(&word, data_.data() + at, 4);
    sum += word;
  }
  return std::rotr(sum, 8) == header_.CheckSum;
}

std::string TELBinDebugScanner::Name(std::uint32_t index) const {
  if (index == 0) return {};
  const std::uint64_t at = std::uint64_t{header_.Words} + index - 1;
  if (at >= data_.size()) return {};
  return DecodeJdbgName(std::span(data_).subspan(static_cast<std::size_t>(at)));
}

bool TELBinDebugScanner::LastPair(std::uint32_t table, std::uint32_t offset, std::uint32_t& start,
                                  std::uint32_t& name) const {
  TByteCursor cursor(data_);
  cursor.Seek(table);
  std::uint32_t address = 0;
  std::uint32_t nameIndex = 0;
  bool found = false;
  for (;;) {
    std::uint32_t addressDelta = 0;
    std::uint32_t nameDelta = 0;
    if (!ReadVarUInt(cursor, addressDelta) || addressDelta == kJdbgTableEnd) break;
    if (!ReadVarUInt(cursor, nameDelta)) break;
    address += addressDelta;
    nameIndex += nameDelta;
    if (address > offset) break;
    start = address;
    name = nameIndex;
    found = true;
  }
  return found;
}

std::int64_t TELBinDebugScanner::ModuleStartFromOffset(std::uint32_t offset) const {
  std::uint32_t start = 0;
  std::uint32_t name = 0;
  if (!valid_ || !LastPair(header_.Units, offset, start, name)) return -1;
  return start;
}

std::string TELBinDebugScanner::UnitNameFromOffset(std::uint32_t offset) const {
  std::uint32_t start = 0;
  std::uint32_t name = 0;
  if (!valid_ || !LastPair(header_.Units, offset, start, name)) return {};
  return Name(name);
}

std::string TELBinDebugScanner::SourceNameFromOffset(std::uint32_t offset) const {
  std::uint32_t start = 0;
  std::uint32_t name = 0;
  const std::int64_t moduleStart = ModuleStartFromOffset(offset);
  if (moduleStart < 0 || !LastPair(header_.SourceNames, offset, start, name)) return {};
  return start >= moduleStart ? Name(name) : std::string();
}

void TELBinDebugScanner::BuildArrays() const {
  std::call_once(arraysBuilt_, [this] {
    TByteCursor cursor(data_);
    cursor.Seek(header_.Symbols);
    TSymbol symbol{0, 0, 0};
    for (;;) {
      std::uint32_t deltas[3];
      if (!ReadVarUInt(cursor, deltas[0]) || deltas[0] == kJdbgTableEnd) break;
      if (!ReadVarUInt(cursor, deltas[1]) || !ReadVarUInt(cursor, deltas[2])) break;
      symbol.Offset += deltas[0];
      symbol.FirstName += deltas[1];
      symbol.SecondName += deltas[2];
      AppendGrowing(symbols_, symbol);
    }
    cursor = TByteCursor(data_);
    cursor.Seek(header_.LineNumbers);
    TLine line{0, 0};
    for (;;) {
      std::uint32_t addressDelta = 0;
      std::uint32_t lineDelta = 0;
      if (!ReadVarUInt(cursor, addressDelta) || addressDelta == kJdbgTableEnd) break;
      if (!ReadVarUInt(cursor, lineDelta)) break;
      line.Offset += addressDelta;
      line.Line = static_cast<std::int32_t>(static_cast<std::uint32_t>(line.Line) + lineDelta);
      AppendGrowing(lines_, line);
    }
  });
}

std::string TELBinDebugScanner::ProcedureNameFromOffset(std::uint32_t offset,
                                                        std::int64_t* start) const {
  if (start) *start = -1;
  const std::int64_t moduleStart = ModuleStartFromOffset(offset);
  if (moduleStart < 0) return {};
  BuildArrays();
  for (auto it = symbols_.rbegin(); it != symbols_.rend(); ++it) {
    if (it->Offset > offset) continue;
    if (it->Offset < moduleStart) return {};
    if (start) *start = it->Offset;
    std::string name = Name(it->FirstName);
    if (it->SecondName != 0) name += "." + Name(it->SecondName);
    return name;
  }
  return {};
}

std::int32_t TELBinDebugScanner::LineNumberFromOffset(std::uint32_t offset) const {
  const std::int64_t moduleStart = ModuleStartFromOffset(offset);
  if (moduleStart < 0) return 0;
  BuildArrays();
  for (auto it = lines_.rbegin(); it != lines_.rend(); ++it) {
    if (it->Offset > offset) continue;
    return it->Offset >= moduleStart ? it->Line : 0;
  }
  return 0;
}

TELDebugInfoJedy::TELDebugInfoJedy(std::uintptr_t moduleHandle, const TModuleAccess& access)
    : TELDebugInfoSource(moduleHandle, access) {
  Open();
}

bool TELDebugInfoJedy::Open() {
  std::optional<std::vector<std::uint8_t>> data;
  const TImageReader image(Access().Memory(), ModuleHandle());
  if (const TImageLayout* layout = image.Layout()) {
    if (const TImageSection* section = layout->SectionNamed("JCLDEBUG")) {
      data = image.Bytes(section->VirtualAddress, std::min(section->VirtualSize, section->RawSize));
    }
  }
  if (!data) data = Access().ReadWholeFile(SiblingFileName(".jdbg"));
  if (!data) return false;
  scanner_ = std::make_unique<TELBinDebugScanner>(std::move(*data));
  return scanner_->IsValid();
}

bool TELDebugInfoJedy::GetLocation(std::uintptr_t address, TELLocationInfo& info) const {
  const auto codeOffset = CodeOffset(address);
  if (!IsReady() || !codeOffset) return false;
  const std::uint32_t offset = *codeOffset;
  info.Address = address;
  info.UnitName = scanner_->UnitNameFromOffset(offset);
  if (info.UnitName.empty()) return false;
  std::int64_t procedureStart = -1;
  info.ProcedureName = scanner_->ProcedureNameFromOffset(offset, &procedureStart);
  info.LineNumber = scanner_->LineNumberFromOffset(offset);
  info.SourceName = scanner_->SourceNameFromOffset(offset);
  if (procedureStart >= 0) {
    const std::int32_t first =
        scanner_->LineNumberFromOffset(static_cast<std::uint32_t>(procedureStart));
    info.LineOffset = LinesAfter(info.LineNumber, first);
  }
  info.DebugInfo = this;
  return true;
}

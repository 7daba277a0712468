#include "debuginfo/EDebugTD32.h"

#include <cstring>
#include <map>

#include "debuginfo/EDebugByteCursor.h"
#include "debuginfo/EDebugText.h"
#include "platform/runtime/Exception.h"

namespace {

[[noreturn]] void AssertionFailure() {
  throw EAssertionFailed("Assertion failure");
}

bool IsTD32Signature(std::span<const std::uint8_t> four) {
  return four.size() == 4 &&
         (std::memcmp(four.data(), "FB09", 4) == 0 || std::memcmp(four.data(), "FB0A", 4) == 0);
}

template <class Record>
bool ReadRecord(TByteCursor& cursor, Record& record) {
  auto bytes = cursor.Bytes(sizeof(Record));
  if (bytes.size() != sizeof(Record)) return false;
  std::memcpy(&record, bytes.data(), sizeof(Record));
  return true;
}

// Where each symbol kind keeps its name index (bytes after the kind field).
const std::map<std::uint16_t, std::size_t>& NameIndexPositions() {
  static const std::map<std::uint16_t, std::size_t> positions = {
      {3, 4}, {4, 6}, {9, 4}, {0x201, 12}, {0x202, 12}, {0x203, 12}, {0x208, 24}, {0x209, 8},
  };
  return positions;
}

std::unique_ptr<TELSymbolInfo> MakeSymbol(std::uint16_t kind, std::uint32_t nameIndex) {
  switch (kind) {
    case 3:
      return std::make_unique<TELConstantSymbolInfo>(kind, nameIndex);
    case 4:
      return std::make_unique<TELUdtSymbolInfo>(kind, nameIndex);
    case 9:
      return std::make_unique<TELObjNameSymbolInfo>(kind, nameIndex);
    case 0x201:
      return std::make_unique<TELLDataSymbolInfo>(kind, nameIndex);
    case 0x202:
      return std::make_unique<TELGDataSymbolInfo>(kind, nameIndex);
    case 0x203:
      return std::make_unique<TELPublicSymbolInfo>(kind, nameIndex);
    case 0x208:
      return std::make_unique<TELWithSymbolInfo>(kind, nameIndex);
    case 0x209:
      return std::make_unique<TELLabelSymbolInfo>(kind, nameIndex);
    case 0x20B:
      return std::make_unique<TELVftPathSymbolInfo>(kind, nameIndex);
    default:
      return nullptr;
  }
}

}  // namespace

bool IsTD32Data(std::span<const std::uint8_t> data) {
  if (data.size() <= 8) return false;
  TByteCursor tail(data);
  tail.Seek(data.size() - 8);
  if (!IsTD32Signature(tail.Bytes(4))) return false;
  const std::uint32_t back = tail.U32();
  return back <= data.size() &&
         IsTD32Signature(data.subspan(data.size() - back).first(std::min<std::size_t>(4, back)));
}

TELTD32InfoScanner::TELTD32InfoScanner(std::span<const std::uint8_t> data) {
  if (data.data() == nullptr) AssertionFailure();
  if (!IsTD32Data(data)) return;
  TByteCursor tail(data);
  tail.Seek(data.size() - 4);
  const auto base = data.subspan(data.size() - tail.U32());
  TByteCursor header(base);
  header.Skip(4);
  const std::uint32_t directoryOffset = header.U32();
  if (header.Failed()) return;
  ReadDirectories(base, directoryOffset);
  // Every name index must point into the names table (0 means none).
  for (const auto& module : modules_) CheckNameIndex(module.NameIndex);
  for (const auto& symbol : symbols_) CheckNameIndex(symbol->NameIndex());
  for (const auto& source : sourceModules_) CheckNameIndex(source.NameIndex);
  valid_ = true;
}

void TELTD32InfoScanner::ReadDirectories(std::span<const std::uint8_t> base,
                                         std::uint32_t directoryOffset) {
  std::size_t visited = 0;
  while (directoryOffset != 0 && visited++ < 1024) {
    TByteCursor cursor(base);
    cursor.Seek(directoryOffset);
    TTD32DirectoryHeader directory{};
    if (!ReadRecord(cursor, directory)) return;
    if (directory.EntrySize != sizeof(TTD32DirectoryEntry)) AssertionFailure();
    cursor.Seek(directoryOffset + directory.HeaderSize);
    for (std::uint32_t i = 0; i < directory.EntryCount; ++i) {
      TTD32DirectoryEntry entry{};
      if (!ReadRecord(cursor, entry)) return;
      if (entry.Offset > base.size() || entry.Size > base.size() - entry.Offset) continue;
      const auto bytes = base.subspan(entry.Offset, entry.Size);
      switch (entry.SubsectionType) {
        case kTD32Modules:
          ReadModule(bytes);
          break;
        case kTD32AlignedSymbols:
          ReadSymbols(bytes);
          break;
        case kTD32SourceModules:
          ReadSourceModule(bytes);
          break;
        case kTD32Names:
          ReadNames(bytes);
          break;
        default:
          break;
      }
    }
    directoryOffset = directory.NextDirectory;
  }
}

void TELTD32InfoScanner::ReadModule(std::span<const std::uint8_t> bytes) {
  TByteCursor cursor(bytes);
  TTD32ModuleHeader header{};
  if (!ReadRecord(cursor, header)) return;
  TELModuleInfo module;
  module.NameIndex = header.NameIndex;
  for (std::uint16_t i = 0; i < header.SegmentCount; ++i) {
    TTD32SegmentInfo segment{};
    if (!ReadRecord(cursor, segment)) break;
    module.Segments.push_back(segment);
  }
  modules_.push_back(std::move(module));
}

void TELTD32InfoScanner::ReadSymbols(std::span<const std::uint8_t> bytes) {
  std::size_t position = 4;
  while (position + 4 <= bytes.size()) {
    TByteCursor cursor(bytes);
    cursor.Seek(position);
    const std::uint16_t length = cursor.U16();
    const std::uint16_t kind = cursor.U16();
    if (length < 2) break;
    const auto body = cursor.Bytes(std::min<std::size_t>(length - 2, cursor.Remaining()));
    position += std::size_t{length} + 2;
    if (kind == 0x204 || kind == 0x205) {
      TTD32ProcSymbol proc{};
      if (body.size() < sizeof(proc)) continue;
      std::memcpy(&proc, body.data(), sizeof(proc));
      std::unique_ptr<TELProcSymbolInfo> symbol;
      if (kind == 0x204) {
        symbol = std::make_unique<TELLocalProcSymbolInfo>(kind, proc);
      } else {
        symbol = std::make_unique<TELGlobalProcSymbolInfo>(kind, proc);
      }
      procedures_.push_back(symbol.get());
      symbols_.push_back(std::move(symbol));
      continue;
    }
    std::uint32_t nameIndex = 0;
    const auto at = NameIndexPositions().find(kind);
    if (at != NameIndexPositions().end() && at->second + 4 <= body.size()) {
      std::memcpy(&nameIndex, body.data() + at->second, 4);
    }
    if (auto symbol = MakeSymbol(kind, nameIndex)) symbols_.push_back(std::move(symbol));
  }
}

void TELTD32InfoScanner::ReadSourceModule(std::span<const std::uint8_t> bytes) {
  TByteCursor cursor(bytes);
  const std::uint16_t fileCount = cursor.U16();
  cursor.U16();  // segment count of the whole module
  std::vector<std::uint32_t> fileOffsets;
  for (std::uint16_t i = 0; i < fileCount && !cursor.Failed(); ++i)
    fileOffsets.push_back(cursor.U32());
  for (std::uint32_t fileOffset : fileOffsets) {
    TByteCursor file(bytes);
    file.Seek(fileOffset);
    const std::uint16_t segmentCount = file.U16();
    TELSourceModuleInfo source;
    source.NameIndex = file.U32();
    std::vector<std::uint32_t> lineOffsets;
    for (std::uint16_t i = 0; i < segmentCount; ++i) lineOffsets.push_back(file.U32());
    for (std::uint16_t i = 0; i < segmentCount; ++i) {
      const std::uint32_t start = file.U32();
      source.SegmentRanges.emplace_back(start, file.U32());
    }
    if (file.Failed()) continue;
    for (std::uint32_t lineOffset : lineOffsets) {
      TByteCursor lines(bytes);
      lines.Seek(lineOffset);
      lines.U16();  // segment index
      const std::uint16_t pairCount = lines.U16();
      std::vector<std::uint32_t> offsets;
      for (std::uint16_t i = 0; i < pairCount; ++i) offsets.push_back(lines.U32());
      for (std::uint16_t i = 0; i < pairCount; ++i) {
        const std::uint16_t lineNumber = lines.U16();
        if (lines.Failed()) break;
        source.Lines.push_back({lineNumber, offsets[i]});
      }
    }
    sourceModules_.push_back(std::move(source));
  }
}

void TELTD32InfoScanner::ReadNames(std::span<const std::uint8_t> bytes) {
  TByteCursor cursor(bytes);
  const std::uint32_t count = cursor.U32();
  for (std::uint32_t i = 0; i < count && !cursor.Failed(); ++i) {
    const std::uint8_t length = cursor.U8();
    const auto text = cursor.Bytes(length);
    cursor.U8();  // the terminating zero
    if (cursor.Failed()) break;
    names_.emplace_back(reinterpret_cast<const char*>(text.data()), text.size());
  }
}

void TELTD32InfoScanner::CheckNameIndex(std::uint32_t nameIndex) const {
  if (nameIndex > names_.size()) AssertionFailure();
}

std::string TELTD32InfoScanner::Name(std::uint32_t nameIndex) const {
  if (nameIndex == 0 || nameIndex > names_.size()) return {};
  return names_[nameIndex - 1];
}

const TELModuleInfo* TELTD32InfoScanner::ModuleFromOffset(std::uint32_t offset) const {
  for (const auto& module : modules_) {
    for (const auto& segment : module.Segments) {
      if (segment.Offset <= offset &&
          std::uint64_t{offset} <= std::uint64_t{segment.Offset} + segment.Size) {
        return &module;
      }
    }
  }
  return nullptr;
}

const TELProcSymbolInfo* TELTD32InfoScanner::ProcedureFromOffset(std::uint32_t offset) const {
  for (const auto* procedure : procedures_) {
    if (procedure->Offset() <= offset &&
        std::uint64_t{offset} < std::uint64_t{procedure->Offset()} + procedure->Size()) {
      return procedure;
    }
  }
  return nullptr;
}

const TELSourceModuleInfo* TELTD32InfoScanner::SourceModuleFromOffset(std::uint32_t offset) const {
  for (const auto& source : sourceModules_) {
    for (const auto& [start, end] : source.SegmentRanges) {
      if (start <= offset && offset < end) return &source;
    }
  }
  return nullptr;
}

std::uint32_t TELTD32InfoScanner::LineNumberFromOffset(const TELSourceModuleInfo& source,
                                                       std::uint32_t offset) const {
  for (std::size_t i = 0; i < source.Lines.size(); ++i) {
    if (source.Lines[i].Offset == offset) return source.Lines[i].LineNumber;
    if (source.Lines[i].Offset > offset) return i > 0 ? source.Lines[i - 1].LineNumber : 0;
  }
  return source.Lines.empty() ? 0 : source.Lines.back().LineNumber;
}

std::string CleanTD32ProcedureName(std::string_view name, std::string_view moduleName) {
  std::string text(name);
  if (!text.empty() && text[0] == '@') text.erase(0, 1);
  const auto dollar = text.find('$');
  if (dollar != std::string::npos) {
    text.erase(dollar > 0 && text[dollar - 1] == '@' ? dollar - 1 : dollar);
  }
  for (char& c : text) {
    if (c == '@') c = '.';
  }
  for (std::size_t at = text.find(".."); at != std::string::npos; at = text.find("..", at + 2)) {
    text[at + 1] = '@';
  }
  if (!moduleName.empty() && text.size() > moduleName.size() && text[moduleName.size()] == '.' &&
      SameTextIgnoringCase(std::string_view(text).substr(0, moduleName.size()), moduleName)) {
    text.erase(0, moduleName.size() + 1);
  }
  return text;
}

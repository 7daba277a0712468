#include "TD32Writer.h"

#include <utility>
#include <vector>

#include "DebugBlockWriter.h"
#include "debuginfo/EDebugTD32.h"

namespace {

template <class Record>
std::string RecordBytes(const Record& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

std::string NamesSubsection(const std::vector<std::string>& names) {
  std::string bytes = U32Bytes(static_cast<std::uint32_t>(names.size()));
  for (const auto& name : names) bytes += static_cast<char>(name.size()) + name + '\0';
  return bytes;
}

std::string ProcSymbol(std::uint16_t kind, std::uint32_t offset, std::uint32_t size,
                       std::uint32_t nameIndex) {
  TTD32ProcSymbol proc{};
  proc.Offset = offset;
  proc.Size = size;
  proc.Segment = 1;
  proc.NameIndex = nameIndex;
  return U16Bytes(sizeof(proc) + 2) + U16Bytes(kind) + RecordBytes(proc);
}

}  // namespace

std::string TD32Writer::Data() const {
  std::vector<std::pair<std::uint16_t, std::string>> subsections;
  TTD32ModuleHeader module{};
  module.SegmentCount = 1;
  module.NameIndex = 1;
  subsections.push_back(
      {kTD32Modules, RecordBytes(module) + RecordBytes(TTD32SegmentInfo{1, 0, 0x100, 0x100})});
  std::string symbols = U32Bytes(1);
  symbols += ProcSymbol(0x205, 0x110, 0x40, 2);
  symbols += U16Bytes(18) + U16Bytes(0x203) + std::string(12, '\0') + U32Bytes(3);  // public
  symbols += U16Bytes(6) + U16Bytes(0x999) + U32Bytes(0);                           // skipped
  symbols += ProcSymbol(0x204, 0x160, 0x20, 4);
  subsections.push_back({kTD32AlignedSymbols, symbols});
  // Source module: one file, one segment; its line table follows the file record.
  const std::string lines = U16Bytes(1) + U16Bytes(4) + U32Bytes(0x100) + U32Bytes(0x110) +
                            U32Bytes(0x120) + U32Bytes(0x160) + U16Bytes(9) + U16Bytes(10) +
                            U16Bytes(12) + U16Bytes(30);
  const std::uint32_t fileAt = 2 + 2 + 4 + 8 + 2;
  const std::uint32_t linesAt = fileAt + 2 + 4 + 4 + 8;
  std::string source = U16Bytes(1) + U16Bytes(1) + U32Bytes(fileAt) + U32Bytes(0x100) +
                       U32Bytes(0x200) + U16Bytes(1);
  source += U16Bytes(1) + U32Bytes(5) + U32Bytes(linesAt) + U32Bytes(0x100) + U32Bytes(0x200);
  source += lines;
  subsections.push_back({kTD32SourceModules, source});
  std::vector<std::string> names = {"TdUnit", "@TdUnit@TWidget@Paint$qqrv", "SomePublic",
                                    "@TdUnit@@Helper$qqrv", "TdUnit.cpp"};
  names.resize(NameCount);
  subsections.push_back({kTD32Names, NamesSubsection(names)});

  std::string base = std::string(Signature, 4) + U32Bytes(0);
  std::string entries;
  for (const auto& [type, bytes] : subsections) {
    entries += U16Bytes(type) + U16Bytes(1) + U32Bytes(static_cast<std::uint32_t>(base.size())) +
               U32Bytes(static_cast<std::uint32_t>(bytes.size()));
    base += bytes;
  }
  const auto directoryAt = static_cast<std::uint32_t>(base.size());
  base += U16Bytes(16) + U16Bytes(EntrySize) +
          U32Bytes(static_cast<std::uint32_t>(subsections.size())) + U32Bytes(0) + U32Bytes(0) +
          entries;
  base.replace(4, 4, U32Bytes(directoryAt));
  base += std::string(Signature, 4) + U32Bytes(static_cast<std::uint32_t>(base.size() + 8));
  return "some leading bytes" + base;
}

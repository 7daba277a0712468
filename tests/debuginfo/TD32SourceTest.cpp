#include <gtest/gtest.h>

#include "DebugBlockWriter.h"
#include "FakeModuleAccess.h"
#include "LocationExpectations.h"
#include "debuginfo/EDebugByteCursor.h"
#include "debuginfo/EDebugLocate.h"
#include "debuginfo/EDebugTD32.h"
#include "platform/runtime/Exception.h"

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

// TD32 data of one module "TdUnit" covering code offsets 0x100 to 0x200.
struct TD32Writer {
  std::uint16_t EntrySize = 12;
  std::uint32_t NameCount = 5;
  const char* Signature = "FB09";

  std::string Data() const {
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
};

std::span<const std::uint8_t> Span(const std::string& s) {
  return AsBytes(s);
}

}  // namespace

TEST(TD32Source, SignatureCheck_AcceptsOnlyDataEndingInAValidTrailer) {
  const std::string good = TD32Writer{}.Data();
  EXPECT_TRUE(IsTD32Data(Span(good)));
  TD32Writer fb0a;
  fb0a.Signature = "FB0A";
  EXPECT_TRUE(IsTD32Data(Span(fb0a.Data())));
  EXPECT_FALSE(IsTD32Data(Span(std::string("FB09") + U32Bytes(8))));  // only 8 bytes
  std::string wrongTrailer = good;
  wrongTrailer[wrongTrailer.size() - 5] = 'X';
  EXPECT_FALSE(IsTD32Data(Span(wrongTrailer)));
  std::string offsetTooLarge = good;
  offsetTooLarge.replace(offsetTooLarge.size() - 4, 4, U32Bytes(offsetTooLarge.size() + 1));
  EXPECT_FALSE(IsTD32Data(Span(offsetTooLarge)));
}

TEST(TD32Source, Scanner_ReadsModulesSymbolsSourcesAndNames) {
  const std::string data = TD32Writer{}.Data();
  TELTD32InfoScanner scanner(Span(data));
  ASSERT_TRUE(scanner.IsValid());
  ASSERT_EQ(scanner.Modules().size(), 1u);
  EXPECT_EQ(scanner.Name(scanner.Modules()[0].NameIndex), "TdUnit");
  ASSERT_EQ(scanner.Symbols().size(), 3u);  // the unknown kind is skipped
  EXPECT_NE(dynamic_cast<const TELGlobalProcSymbolInfo*>(scanner.Symbols()[0].get()), nullptr);
  EXPECT_NE(dynamic_cast<const TELPublicSymbolInfo*>(scanner.Symbols()[1].get()), nullptr);
  EXPECT_NE(dynamic_cast<const TELLocalProcSymbolInfo*>(scanner.Symbols()[2].get()), nullptr);
  ASSERT_EQ(scanner.SourceModules().size(), 1u);
  EXPECT_EQ(scanner.SourceModules()[0].Lines.size(), 4u);
  EXPECT_EQ(scanner.ProcedureFromOffset(0x14F), scanner.Symbols()[0].get());
  EXPECT_EQ(scanner.ProcedureFromOffset(0x150), nullptr);  // one past its size
  EXPECT_EQ(scanner.ProcedureFromOffset(0x15F), nullptr);
}

TEST(TD32Source, Scanner_InconsistentDataIsAnAssertionFailure) {
  TD32Writer wrongEntrySize;
  wrongEntrySize.EntrySize = 16;
  const std::string first = wrongEntrySize.Data();
  EXPECT_THROW(TELTD32InfoScanner{Span(first)}, Exception);
  TD32Writer missingNames;
  missingNames.NameCount = 3;  // the symbols name indexes 4 and 5
  const std::string second = missingNames.Data();
  EXPECT_THROW(TELTD32InfoScanner{Span(second)}, Exception);
  // A source that cannot open is discarded instead.
  FakeModuleAccess access;
  access.Files["C:\\fixture\\Module.tds"] = first;
  EXPECT_FALSE(CreateOtherDebugSource(FakeModuleAccess::kHandle, access));
}

TEST(TD32Source, CleanProcedureName_Table) {
  struct Row {
    const char *name, *module, *clean;
  } rows[] = {
      {"@TdUnit@TWidget@Paint$qqrv", "TdUnit", "TWidget.Paint"},
      {"@tdunit@Routine$qqri", "TdUnit", "Routine"},        // module compared ignoring case
      {"@TdUnit@TWidget@$bctr$qqrv", "TdUnit", "TWidget"},  // "$" after "@": cut one earlier
      {"@TdUnit@@Helper$qqrv", "TdUnit", "@Helper"},
      {"PlainName", "TdUnit", "PlainName"},
      {"@Other@Routine$qqrv", "TdUnit", "Other.Routine"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CleanTD32ProcedureName(row.name, row.module), row.clean);
  }
}

TEST(TD32Source, TdsFileBesideTheModule_ResolvesLines) {
  FakeModuleAccess access;
  access.Files["C:\\fixture\\Module.tds"] = TD32Writer{}.Data();
  auto source = CreateOtherDebugSource(FakeModuleAccess::kHandle, access);
  ASSERT_TRUE(source);
  ASSERT_NE(dynamic_cast<TELDebugInfoTD32*>(source.get()), nullptr);
  struct Row {
    std::uint32_t offset;
    ExpectedLocation expected;
  } rows[] = {
      {0x110, {"TdUnit.cpp", "TWidget", "Paint", 10, 0}},
      {0x125, {"TdUnit.cpp", "TWidget", "Paint", 12, 2}},
      {0x165, {"TdUnit.cpp", "", "_Helper", 30, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "offset 0x" << std::hex << row.offset);
    const TCodeLocation location =
        LocateWithOtherSource(*source, FakeModuleAccess::kCodeBase + row.offset);
    EXPECT_EQ(location.Precision, lpLine);
    ExpectLocation(location, row.expected);
  }
}

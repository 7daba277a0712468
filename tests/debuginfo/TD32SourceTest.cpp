#include <gtest/gtest.h>

#include "DebugBlockWriter.h"
#include "FakeModuleAccess.h"
#include "LocationExpectations.h"
#include "TD32Writer.h"
#include "debuginfo/EDebugByteCursor.h"
#include "debuginfo/EDebugLocate.h"
#include "debuginfo/EDebugTD32.h"
#include "platform/runtime/Exception.h"

namespace {

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

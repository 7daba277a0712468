#include <gtest/gtest.h>

#include "FakeModuleAccess.h"
#include "LocationExpectations.h"
#include "debuginfo/EDebugLocate.h"
#include "debuginfo/EDebugMap.h"

namespace {

// A map text as the linker writes it: segments, detailed segments, both
// publics tables and the line numbers of two units.
const char* const kMapText =
    "\r\n Start         Length     Name                   Class\r\n"
    " 0001:00000000 00001000H .text                   CODE\r\n"
    " 0002:00000000 00000100H .data                   DATA\r\n"
    "\r\n\r\nDetailed map of segments\r\n\r\n"
    " 0001:00000000 00000800 C=CODE     S=.text    G=(none)   M=UnitOne  ACBP=A9\r\n"
    " 0001:00000800 00000800 C=CODE     S=.text    G=(none)   M=UnitTwo  ACBP=A9\r\n"
    " 0002:00000000 00000100 C=DATA     S=.data    G=DGROUP   M=UnitOne  ACBP=A9\r\n"
    "\r\n\r\n  Address         Publics by Name\r\n\r\n"
    " 0001:00000100       UnitOne.Helper\r\n"
    " 0001:00000010       UnitOne.TFirst.Run\r\n"
    "\r\n\r\n  Address         Publics by Value\r\n\r\n"
    " 0001:00000010       UnitOne.TFirst.Run\r\n"
    " 0001:00000100       UnitOne.Helper\r\n"
    " 0001:00000810       UnitTwo.TSecond.Go\r\n"
    " 0002:00000004       UnitOne.SomeVariable\r\n"
    "\r\n\r\nLine numbers for UnitOne(UnitOne.pas) segment .text\r\n\r\n"
    "    10 0001:00000010    11 0001:00000020    12 0001:00000030    20 0001:00000100\r\n"
    "    21 0001:00000110    22 0001:00000110     7 0002:00000010     8 0001:00002000\r\n"
    "\r\nLine numbers for UnitTwo(UnitTwo.pas) segment .text\r\n\r\n"
    "     5 0001:00000810     6 0001:00000820\r\n"
    "\r\nBound resource files\r\n";

}  // namespace

TEST(MapSource, Scanner_KeepsCodeSegmentTablesAndCountsRejectedLines) {
  TELMapScanner scanner(kMapText);
  EXPECT_EQ(scanner.ProcedureCount(), 3u);  // the data public is not kept
  // Dropped: a line not above the previous one, another segment, beyond the code.
  EXPECT_EQ(scanner.LineNumberErrors(), 3u);
  EXPECT_EQ(scanner.LineNumberCount(), 7u);
  EXPECT_EQ(scanner.UnitNameFromOffset(0x7FF), "UnitOne");
  EXPECT_EQ(scanner.UnitNameFromOffset(0x800), "UnitTwo");  // the last range holding it
  EXPECT_EQ(scanner.ModuleStartFromOffset(0x1001), -1);
  EXPECT_EQ(scanner.LineNumberFromOffset(0x110), 21);
  EXPECT_EQ(scanner.SourceNameFromOffset(0x820), "UnitTwo.pas");
  std::int64_t distance = 0;
  EXPECT_EQ(scanner.ProcedureNameFromOffset(0x2F, &distance), "UnitOne.TFirst.Run");
  EXPECT_EQ(distance, 0x1F);
  // The nearest public lies in another unit: not taken.
  EXPECT_EQ(scanner.ProcedureNameFromOffset(0x805), "");
}

TEST(MapSource, Scanner_MissingTableDoesNotHideTheTablesAfterIt) {
  const std::string text = std::string(kMapText);
  const std::string withoutDetailed =
      text.substr(0, text.find("Detailed")) + text.substr(text.find("\r\n\r\n  Address"));
  TELMapScanner scanner(withoutDetailed);
  EXPECT_EQ(scanner.ProcedureCount(), 3u);
}

TEST(MapSource, Scanner_LineNumberBeyond32Bits_StaysAtTheLargest) {
  std::string text = std::string(kMapText);
  text.replace(text.find("     6 0001:00000820"), 20, " 99999999999 0001:00000820");
  TELMapScanner scanner(text);
  EXPECT_EQ(scanner.LineNumberFromOffset(0x810), 5);
  EXPECT_EQ(scanner.LineNumberFromOffset(0x820), 0x7FFFFFFF);
}

TEST(MapSource, Locate_SplitsUnitClassAndRoutine) {
  FakeModuleAccess access;
  access.Files["C:\\fixture\\Module.map"] = kMapText;
  auto source = CreateOtherDebugSource(FakeModuleAccess::kHandle, access);
  ASSERT_TRUE(source);
  ASSERT_NE(dynamic_cast<TELDebugInfoMap*>(source.get()), nullptr);
  struct Row {
    std::uint32_t offset;
    bool found;
    ExpectedLocation expected;
  } rows[] = {
      {0x25, true, {"UnitOne.pas", "TFirst", "Run", 11, 1}},
      {0x105, true, {"UnitOne.pas", "", "Helper", 20, 0}},  // "UnitOne" is the unit
      {0x815, true, {"UnitTwo.pas", "TSecond", "Go", 5, 0}},
      {0x805, false, {"", "", "", 0, 0}},   // no routine of this unit yet
      {0x1001, false, {"", "", "", 0, 0}},  // beyond every unit
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "offset 0x" << std::hex << row.offset);
    TCodeLocation location{};
    ASSERT_EQ(
        LocateInOtherSource(*source, FakeModuleAccess::kCodeBase + row.offset, true, location),
        row.found);
    ExpectLocation(location, row.expected);
    EXPECT_EQ(location.Precision, row.found ? lpLine : lpNone);
  }
}

TEST(MapSource, NoMapBesideTheModule_NoOtherSource) {
  FakeModuleAccess access;
  access.Files["C:\\fixture\\Other.map"] = kMapText;
  EXPECT_FALSE(CreateOtherDebugSource(FakeModuleAccess::kHandle, access));
}

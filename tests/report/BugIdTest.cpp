// The bug identifier: the CRC-16 of the named values and the faulting
// thread's line rows, and what it does not depend on.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "report/EBugId.h"
#include "report/EReportValues.h"
#include "tests/report/ReportFixture.h"

namespace {

// CRC-16 with polynomial 0x1021, register 0, most significant bit first, no
// final inversion, one bit at a time.
std::uint16_t Crc16ByHand(const std::string& text) {
  std::uint16_t crc = 0;
  for (char c : text) {
    crc ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(c) << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                           : static_cast<std::uint16_t>(crc << 1);
  }
  return crc;
}

std::string Hex4(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value);
  return text;
}

std::string FixtureBugId(TReportFixture& fixture) {
  return BugIdentifierOf(fixture.Exception, fixture.Stack, fixture.AddressModules, fixture.System);
}

}  // namespace

TEST(BugId, HandComputedCrc_MatchesTheCheckValue) {
  EXPECT_EQ(Crc16ByHand("123456789"), 0x31C3);
}

TEST(BugId, KnownStack_IsTheCrcOfTheNamedValuesAndTheFaultingThreadsLineRows) {
  TReportFixture fixture;
  // The program's name, the module's name, the type, then unit, class,
  // routine and line-in-routine of each line row of thread 1234 (the
  // pruned row, the routine-only row and the other thread's rows left out).
  const std::string text =
      "Brisole.exe - (Brisole client)"
      "Brisole.exe - (Brisole client)"
      "EInOutError"
      "Brisole.cppTFormMainButtonClick4"
      "Brisole.cppTFormMainSaveArchive12";
  EXPECT_EQ(BugIdentifierText("Brisole.exe - (Brisole client)", "Brisole.exe - (Brisole client)",
                              "EInOutError", fixture.Stack),
            text);
  EXPECT_EQ(FixtureBugId(fixture), Hex4(Crc16ByHand(text)));
}

TEST(BugId, Changes_OnlyTheRoutineOffsetsAndNamesOfTheFaultingThreadCount) {
  struct TRow {
    const char* Change;
    std::function<void(TReportFixture&)> Apply;
    bool Same;
  };
  const TRow rows[] = {
      {"lines added above every routine",
       [](TReportFixture& f) {
         for (std::size_t i = 0; i < f.Stack.Count(); ++i) f.Stack[i].SourceLine += 7;
       },
       true},
      {"code moved", [](TReportFixture& f) { f.Stack[1].CodeAddress += 0x40; }, true},
      {"another thread's row", [](TReportFixture& f) { f.Stack[5].RoutineLineOffset = 9; }, true},
      {"a pruned row", [](TReportFixture& f) { f.Stack[2].RoutineName.Assign("Other"); }, true},
      {"a routine-only row", [](TReportFixture& f) { f.Stack[3].RoutineName.Assign("Other"); },
       true},
      {"a line inserted above the call inside its routine",
       [](TReportFixture& f) { f.Stack[1].RoutineLineOffset = 13; }, false},
      {"the faulting routine renamed",
       [](TReportFixture& f) { f.Stack[0].RoutineName.Assign("ButtonPress"); }, false},
      {"another exception class", [](TReportFixture& f) { f.Exception.ClassName = "EReadError"; },
       false},
      {"another program",
       [](TReportFixture& f) { f.System.Values[siApplicationName] = "Other.exe"; }, false},
  };
  TReportFixture original;
  const std::string originalId = FixtureBugId(original);
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Change);
    TReportFixture changed;
    row.Apply(changed);
    EXPECT_EQ(FixtureBugId(changed) == originalId, row.Same);
  }
}

TEST(BugId, EmptyStack_IsTheCrcOfTheValuesAlone) {
  TDovaroStackList empty;
  EXPECT_EQ(BugIdentifier("a", "b", "c", empty), Hex4(Crc16ByHand("abc")));
}

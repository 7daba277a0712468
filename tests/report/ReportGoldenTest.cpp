// Whole bug reports built from fixtures, each compared with its expected
// text in tests/report/golden/.
#include <gtest/gtest.h>

#include "engine/ECoreOptionFlags.h"
#include "report/EReportText.h"
#include "tests/report/GoldenText.h"
#include "tests/report/ReportFixture.h"

namespace {

std::string ReportText(TReportFixture& fixture) {
  return BuildBugReport(fixture.Exception, fixture.Sources()).Text;
}

std::uint64_t Without(std::uint64_t bits, std::initializer_list<int> hidden) {
  for (int bit : hidden) bits &= ~(std::uint64_t{1} << bit);
  return bits;
}

}  // namespace

TEST(ReportGolden, PlainException_AllSectionsWithTheDefaultOptions) {
  TReportFixture fixture;
  ExpectGoldenText("plain_exception", ReportText(fixture));
}

TEST(ReportGolden, AccessViolation_MessageRebuiltFromTheReadableRecord) {
  TReportFixture fixture;
  fixture.Exception.ClassName = "EAccessViolation";
  fixture.Exception.IsAccessViolation = true;
  // The runtime's own message named the module by its short name: the
  // rebuilt one names it by its long name.
  fixture.Exception.Message =
      "Access violation at address 0040100D in module 'BRISOL~1.EXE'. Write of address 00000010";
  fixture.Exception.OsRecordAddress = kOsRecordAddress;
  TOsExceptionRecord record{};
  record.ExceptionCode = 0xC0000005;
  record.ExceptionAddress = kFaultAddress;
  record.NumberParameters = 2;
  record.ExceptionInformation[0] = 1;
  record.ExceptionInformation[1] = 0x00000010;
  fixture.PutOsRecord(record);
  fixture.Memory.Put(kFaultAddress, {0x89, 0x50, 0x10, 0x90, 0x90});  // mov [eax+$10], edx
  ExpectGoldenText("access_violation", ReportText(fixture));
}

TEST(ReportGolden, HiddenItems_AndFullyHiddenSectionsDisappearWithTheirTitles) {
  TReportFixture fixture;
  // Start date, note and every User item hidden; the whole Network section
  // hidden; routine-only rows and the modules, assembler and CPU blocks off.
  fixture.Options.SetGeneralFieldsShown(
      Without(kAllGeneralFieldsShown, {0, 15, 16, 17, 18, 19, 20, 41, 42, 43, 44, 45, 46}));
  fixture.Options.SetStackFlags(StackShowUnitOnly | StackOwnThreads | StackForeignThreads);
  fixture.Options.SetLogFlags(0);
  fixture.Exception.Address = 0;  // item 2.2 stays, empty
  ExpectGoldenText("hidden_items", ReportText(fixture));
}

TEST(ReportGolden, BlockValues_ColonsBlankLinesAndLoneLineFeeds) {
  TReportFixture fixture;
  fixture.Exception.Message =
      "Cannot post: record locked\nby user MROSSI\r\n\r\n   \r\nretry: later";
  fixture.Exception.FocusText = "Riga 1\r\nRiga 2\t\tfine";
  fixture.Options.SetLogFlags(0);
  ExpectGoldenText("block_values", ReportText(fixture));
}

TEST(ReportGolden, CustomisedLabels_WidenTheColumnsAndTheValueColumn) {
  TReportFixture fixture;
  fixture.Options.SetText(126, "Module Handle");  // 13 characters: 13 hexadecimal digits
  fixture.Options.SetText(92, "Code Address");
  fixture.Options.SetText(96, "Procedure or Method Name");
  fixture.Options.SetText(133, "Process Identifier");
  fixture.Options.SetText(8, "Stack of the Calls");
  fixture.Options.SetText(50, "Error Message Text");
  fixture.Options.SetText(99, "Faulting Thread");
  fixture.Options.SetLogFlags(LogModulesAndProcesses);
  ExpectGoldenText("customised_labels", ReportText(fixture));
}

TEST(ReportGolden, CreatorStack_OpensItsOwnBlockUnderItsThread) {
  TReportFixture fixture;
  fixture.Stack.Clear();
  fixture.AddRow({kFaultAddress, kProgramModule, "Brisole.cpp", "TFormMain", "ButtonClick", 120, 4,
                  kOtherThread, 1, true});
  fixture.AddRow({0x00402345, kProgramModule, "SendThread.cpp", "TSendThread", "Execute", 45, 3,
                  kOtherThread});
  // The stack the creating thread had when it started the faulting one.
  fixture.AddRow({0x00403010, kProgramModule, "SendThread.cpp", "TSendThread", "Start", 30, 2,
                  kCreatorThread, 0});
  fixture.AddRow({0x00401234, kProgramModule, "Brisole.cpp", "TFormMain", "SaveArchive", 98, 12,
                  kCreatorThread, 0});
  // The main thread, running.
  fixture.AddRow({0x7C80B729, kKernelModule, "", "", "WaitForSingleObject", 0, 0, kCreatorThread, 1,
                  false, lpRoutine});
  fixture.AddRow(
      {0x00401300, kProgramModule, "Brisole.cpp", "", "WinMain", 210, 17, kCreatorThread});
  fixture.Threads.MainThread = kCreatorThread;
  fixture.Exception.ThreadId = kOtherThread;
  fixture.Options.SetLogFlags(0);
  ExpectGoldenText("creator_stack", ReportText(fixture));
}

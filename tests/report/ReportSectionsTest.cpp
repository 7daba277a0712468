// The values from the exception, the sections inserted later, the e-mail
// patch and the CPU block without readable memory.
#include <gtest/gtest.h>

#include "engine/ECoreOptionFlags.h"
#include "report/EReportSections.h"
#include "report/EReportText.h"
#include "report/EReportValues.h"
#include "tests/report/ReportFixture.h"

namespace {

std::string Message(TReportFixture& fixture) {
  return ExceptionMessageText(fixture.Exception, fixture.Memory, fixture.AddressModules);
}

// What lies between the general sections and the call stack block.
std::string AfterGeneralSections(const std::string& text) {
  const auto stack = text.find("Call Stack Information:");
  const auto network = text.find("  7.6 DHCP");
  const auto end = text.find("\r\n", network) + 2;
  return text.substr(end, stack - end);
}

}  // namespace

TEST(ReportValues, Message_FullStopAddedCustomMessageFirstPlaceholderWithoutAnException) {
  struct TRow {
    const char* Case;
    bool Valid, IsException;
    const char* Message;
    const char* Custom;
    const char* Expected;
  };
  const TRow rows[] = {
      {"plain", true, true, "Disk full", "", "Disk full."},
      {"ends with a full stop", true, true, "Disk full.", "", "Disk full."},
      {"empty", true, true, "", "", ""},
      {"no Exception", true, false, "ignored", "", "Unknown error message."},
      {"no valid object", false, true, "ignored", "", "Unknown error message."},
      {"filter's message", true, true, "Disk full", "Archive locked", "Archive locked."},
      {"filter's message, no object", false, false, "", "Archive locked", "Archive locked."},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Case);
    TReportFixture fixture;
    fixture.Exception.ValidObject = row.Valid;
    fixture.Exception.IsException = row.IsException;
    fixture.Exception.Message = row.Message;
    fixture.Exception.CustomMessage = row.Custom;
    EXPECT_EQ(Message(fixture), row.Expected);
  }
}

TEST(ReportValues, Type_ClassNameTypeTextOrPlaceholder) {
  TReportFixture fixture;
  EXPECT_EQ(ExceptionTypeText(fixture.Exception), "EInOutError");
  fixture.Exception.TypeText = "Automation error";
  EXPECT_EQ(ExceptionTypeText(fixture.Exception), "Automation error");
  fixture.Exception.ValidObject = false;
  EXPECT_EQ(ExceptionTypeText(fixture.Exception), "Unknown exception type");
}

TEST(ReportValues, AccessViolation_RebuiltFromTheRecordWithAndWithoutAModule) {
  struct TRow {
    const char* Case;
    std::uint32_t Address, Write, Target;
    const char* Message;
    const char* Expected;
  };
  const TRow rows[] = {
      {"read in the program, other message", kFaultAddress, 0, 0x00000004, "Access violation",
       "Access violation at address 0040100D in module 'BRISOL~1.EXE'. Read of address 00000004."},
      {"the runtime's own message: the long name", kFaultAddress, 1, 0x00000010,
       "Access violation at address 0040100D in module 'BRISOL~1.EXE'. Write of address 00000010",
       "Access violation at address 0040100D in module 'Brisole.exe'. Write of address 00000010."},
      {"outside every module", 0x00A00000, 0, 0x00A00000, "Access violation",
       "Access violation at address 00A00000. Read of address 00A00000."},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Case);
    TReportFixture fixture;
    fixture.Exception.IsAccessViolation = true;
    fixture.Exception.Message = row.Message;
    fixture.Exception.OsRecordAddress = kOsRecordAddress;
    TOsExceptionRecord record{};
    record.ExceptionCode = 0xC0000005;
    record.ExceptionAddress = row.Address;
    record.NumberParameters = 2;
    record.ExceptionInformation[0] = row.Write;
    record.ExceptionInformation[1] = row.Target;
    fixture.PutOsRecord(record);
    EXPECT_EQ(Message(fixture), row.Expected);
  }
}

TEST(ReportValues, AccessViolation_UnreadableRecordKeepsTheExceptionsMessage) {
  TReportFixture fixture;
  fixture.Exception.IsAccessViolation = true;
  fixture.Exception.Message = "Access violation somewhere";
  fixture.Exception.OsRecordAddress = 0x00700000;  // nothing there
  EXPECT_EQ(Message(fixture), "Access violation somewhere.");
  fixture.Exception.OsRecordAddress = 0;
  EXPECT_EQ(Message(fixture), "Access violation somewhere.");
}

TEST(ReportInsertions, CustomInformationThenRequest_BothNumberedEightInThatOrder) {
  TReportFixture fixture;
  fixture.Options.SetLogFlags(fixture.Options.LogFlags() | LogAddReproduceText);
  TBugReport report = BuildBugReport(fixture.Exception, fixture.Sources());
  const std::string generalBefore = report.GeneralText;
  EXPECT_TRUE(AddCustomInformation(report, fixture.Options, {" Branch = Milano ", "Seat=4"}));
  EXPECT_TRUE(AddReproduceRequest(report, fixture.Options, "Open the archive\r\nthen save"));
  const std::string inserted =
      "\r\n"
      "Custom Information:\r\n"
      "--------------------\r\n"
      "  8.1 Branch: Milano\r\n"
      "  8.2 Seat  : 4\r\n"
      "\r\n"
      "Request:\r\n"
      "------------------------\r\n"
      "  8.1 : Open the archive\r\n"
      "        then save\r\n"
      "\r\n";
  EXPECT_EQ(AfterGeneralSections(report.Text), inserted);
  EXPECT_EQ(AfterGeneralSections(report.SendingText), inserted);
  // The general text now ends with the inserted sections.
  EXPECT_EQ(report.GeneralText, generalBefore + inserted.substr(0, inserted.size() - 2));
  EXPECT_EQ(report.Text.substr(0, report.GeneralText.size() + 2), report.GeneralText + "\r\n");
}

TEST(ReportInsertions, Skipped_WithoutTheirBitFlagOrData) {
  TReportFixture fixture;
  TBugReport report = BuildBugReport(fixture.Exception, fixture.Sources());
  const std::string before = report.Text;
  EXPECT_FALSE(AddReproduceRequest(report, fixture.Options, "steps"));  // no LogAddReproduceText
  EXPECT_FALSE(AddCustomInformation(report, fixture.Options, {}));
  fixture.Options.SetGeneralFieldsShown(kAllGeneralFieldsShown & ~(std::uint64_t{1} << 47));
  EXPECT_FALSE(AddCustomInformation(report, fixture.Options, {"a=b"}));
  fixture.Options.SetLogFlags(LogAddReproduceText);
  EXPECT_FALSE(AddReproduceRequest(report, fixture.Options, ""));
  EXPECT_EQ(report.Text, before);
}

TEST(ReportUserEmail, WrittenIntoItem33OfEveryText_UnchangedWhenHidden) {
  TReportFixture fixture;
  fixture.Exception.UserEmail = "old@example.com";
  TBugReport report = BuildBugReport(fixture.Exception, fixture.Sources());
  SetReportUserEmail(report, "mario.rossi@example.com");
  for (const std::string* text : {&report.GeneralText, &report.Text, &report.SendingText}) {
    EXPECT_NE(text->find("\r\n  3.3 Email     : mario.rossi@example.com\r\n  3.4 Company"),
              std::string::npos);
    EXPECT_EQ(text->find("old@example.com"), std::string::npos);
  }
  fixture.Options.SetGeneralFieldsShown(kAllGeneralFieldsShown & ~(std::uint64_t{1} << 18));
  TBugReport hidden = BuildBugReport(fixture.Exception, fixture.Sources());
  const std::string before = hidden.Text;
  SetReportUserEmail(hidden, "mario.rossi@example.com");
  EXPECT_EQ(hidden.Text, before);
}

TEST(ReportCpu, WithoutContextOrReadableStack_RegistersUnknownAndNoDump) {
  TReportFixture fixture;
  fixture.Exception.ContextAddress = 0;
  fixture.Exception.StackPointer = 0x00700000;  // unreadable
  EXPECT_EQ(CpuBlock(fixture.Exception, fixture.Options, fixture.Memory),
            "Registers:\r\n"
            "-----------------------------\r\n"
            "EAX: ????       EDI: ????    \r\n"
            "EBX: ????       ESI: ????    \r\n"
            "ECX: ????       ESP: ????    \r\n"
            "EDX: ????       EIP: ????    \r\n"
            "\r\n"
            "Stack:               Memory Dump:\r\n"
            "------------------   "
            "---------------------------------------------------------------------------\r\n");
}

TEST(ReportCpu, ContextShorterThanItsHead_CountsAsNoContext) {
  TReportFixture fixture;
  fixture.Memory.Remove(kContextAddress + 200, 4);  // SegSs unreadable
  const std::string block = CpuBlock(fixture.Exception, fixture.Options, fixture.Memory);
  EXPECT_NE(block.find("EAX: ????       EDI: ????    \r\n"), std::string::npos);
  // The dump does not depend on the context.
  EXPECT_NE(block.find("0012FF00: 00402010 0040100D: E8 EE 0F 00 00 C9 C3 CC"), std::string::npos);
}

TEST(ReportCpu, DumpLines_Are96CharactersEach) {
  TReportFixture fixture;
  const std::string block = CpuBlock(fixture.Exception, fixture.Options, fixture.Memory);
  const std::string rule =
      "------------------   "
      "---------------------------------------------------------------------------\r\n";
  const std::string dump = block.substr(block.find(rule) + rule.size());
  ASSERT_EQ(dump.size(), 16u * 96);
  for (std::size_t line = 0; line < 16; ++line) {
    SCOPED_TRACE(line);
    EXPECT_EQ(dump.substr(line * 96 + 94, 2), "\r\n");
  }
}

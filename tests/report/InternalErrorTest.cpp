// The internal-error report: when it is made, its texts, and the way from the
// debugger line to the mail and the request to send by hand.
#include <gtest/gtest.h>

#include "report/EInternalError.h"
#include "tests/report/ReportFixture.h"

namespace {

class TRecordingOutlet final : public IInternalErrorOutlet {
 public:
  std::vector<std::string> Calls;
  std::optional<std::string> WrittenPath =
      "C:\\Users\\dev\\AppData\\ZuderaDod\\Brisole\\Brisole.log";
  bool Answer = true;
  bool MailWorks = false;
  std::string FileText;

  void DebugOutput(const std::string& line) override { Calls.push_back("debug: " + line); }
  std::optional<std::string> WriteFile(const std::string& fileName,
                                       const std::string& text) override {
    Calls.push_back("file: " + fileName);
    FileText = text;
    return WrittenPath;
  }
  bool Ask(const std::string& caption, const std::string& question) override {
    Calls.push_back("ask: " + caption + " | " + question);
    return Answer;
  }
  bool MailFile(const std::string& filePath, const std::string& address, const std::string& subject,
                const std::string& body) override {
    Calls.push_back("mail: " + filePath + " to " + address + " | " + subject + " | " + body);
    return MailWorks;
  }
  void Inform(const std::string& caption, const std::string& text) override {
    Calls.push_back("inform: " + caption + " | " + text);
  }
};

// Names every address as the fixture module's routine at line 77.
class TFixtureLocator final : public IStackLocator {
 public:
  void Locate(TAddress address, std::uint32_t threadId, TCodeLocation& location, bool,
              bool) override {
    location = TCodeLocation{};
    location.Precision = lpLine;
    location.ModuleEntry = &module_;
    location.OwnerThread = threadId;
    location.CodeAddress = static_cast<std::uint32_t>(address);
    location.SourceUnit.Assign("EReportText.cpp");
    location.RoutineName.Assign("BuildBugReport");
    location.SourceLine = 77;
    location.RoutineLineOffset = 9;
  }
  std::uintptr_t ModuleHandleOf(TAddress) override { return kLibraryModule; }
  std::string ModuleFileName(std::uintptr_t) override { return module_.FileName; }

 private:
  TDovaroModuleInfo module_ = [] {
    TDovaroModuleInfo module;
    module.Handle = reinterpret_cast<TModuleHandle>(kLibraryModule);
    module.FileName = "C:\\Brisole\\VInstallParamsClient.dll";
    return module;
  }();
};

TInternalFailure Failure() {
  TInternalFailure failure;
  failure.Section = "702";
  failure.Address = 0x10001005;
  failure.LanguageException = true;
  failure.ClassName = "EListError";
  failure.Ancestors = {"Exception"};
  failure.IsException = true;
  failure.Message = "List index out of bounds (3)";
  failure.ProcessedClassName = "EInOutError";
  failure.DebuggerAttached = true;
  failure.Now = FixtureDateTime(2008, 12, 9, 14, 5, 3);
  failure.UtcOffsetHours = 1;
  failure.OsType = "Microsoft Windows XP";
  failure.CallStack = "00 $10001000 - [10000000] C:\\Brisole\\VInstallParamsClient.dll \r\n";
  failure.ExecutablePath = "C:\\Brisole\\Brisole.exe";
  return failure;
}

}  // namespace

TEST(InternalError, Wanted_OnlyForADeveloperAndNotForAbortsOrSocketErrors) {
  struct TRow {
    const char* Case;
    bool Ide, Debugger;
    const char* Class;
    std::vector<std::string> Ancestors;
    bool Wanted;
  };
  const TRow rows[] = {
      {"plain run", false, false, "EListError", {"Exception"}, false},
      {"debugger", false, true, "EListError", {"Exception"}, true},
      {"development environment", true, false, "EListError", {"Exception"}, true},
      {"an abort", true, true, "EAbort", {"Exception"}, false},
      {"an abort by another case", true, true, "eabort", {}, false},
      {"a socket error's descendant",
       false,
       true,
       "ESmtpError",
       {"EDovaroSocketError", "Exception"},
       false},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Case);
    TInternalFailure failure = Failure();
    failure.InsideDevelopmentEnvironment = row.Ide;
    failure.DebuggerAttached = row.Debugger;
    failure.ClassName = row.Class;
    failure.Ancestors = row.Ancestors;
    EXPECT_EQ(InternalErrorWanted(failure), row.Wanted);
    TRecordingOutlet outlet;
    TFabricatedMemory memory;
    TFixtureLocator locator;
    EXPECT_EQ(ReportInternalError(failure, memory, locator, outlet), row.Wanted);
    EXPECT_EQ(outlet.Calls.empty(), !row.Wanted);
  }
}

TEST(InternalError, Texts_DebuggerLineFileAndQuestion) {
  TInternalFailure failure = Failure();
  TFabricatedMemory memory;
  std::vector<std::uint8_t> code(32);
  for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<std::uint8_t>(0xE0 + i);
  memory.Put(0x10001000, code);  // the raising call lies 5 bytes before the address
  TFixtureLocator locator;
  TRecordingOutlet outlet;
  outlet.Answer = false;
  ASSERT_TRUE(ReportInternalError(failure, memory, locator, outlet));
  EXPECT_EQ(outlet.Calls, (std::vector<std::string>{
                              "debug: [ERROR] - Section: 702 - Address: 10001000 - Message: "
                              "\"List index out of bounds (3)\"",
                              "file: C:\\Brisole\\Brisole.log",
                              "ask: Probably internal bug | Error: 'List index out of bounds "
                              "(3)'\r\n\r\nThis is an internal ZuderaDod bug.\r\nDo you want to "
                              "send the bug information to ZuderaDod author?"}));
  EXPECT_EQ(outlet.FileText,
            std::string("Version   : 6.1.05 RC 6\r\n"
                        "Date      : Tue, 9 Dec 2008 14:05:03 +0100\r\n"
                        "OS        : Microsoft Windows XP\r\n"
                        "RAD       : ") +
                kDevelopmentEnvironmentText +
                "\r\n"
                "Dump      : $E0 $E1 $E2 $E3 $E4 $E5 $E6 $E7 $E8 $E9 $EA $EB $EC $ED $EE $EF $F0 "
                "$F1 $F2 $F3 $F4 $F5 $F6 $F7 $F8 $F9 $FA $FB $FC $FD $FE $FF \r\n"
                "Section   : 702\r\n"
                "LastExcept: EInOutError\r\n"
                "Address   : $10001000 - [10000000] C:\\Brisole\\VInstallParamsClient.dll - "
                "EReportText.cpp -  - BuildBugReport - 77[9]\r\n"
                "Exception : EListError\r\n"
                "Message   : List index out of bounds (3)\r\n"
                "Call Stack: 00 $10001000 - [10000000] C:\\Brisole\\VInstallParamsClient.dll \r\n");
}

TEST(InternalError, NotAnException_GeneralMessageAndNoDumpOfUnreadableCode) {
  TInternalFailure failure = Failure();
  failure.IsException = false;
  failure.LanguageException = false;
  TFabricatedMemory memory;
  TFixtureLocator locator;
  const std::string text = InternalErrorText(failure, memory, locator);
  EXPECT_NE(text.find("\r\nDump      : \r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nMessage   : General internal error.\r\n"), std::string::npos);
  EXPECT_EQ(InternalErrorDebugLine(failure),
            "[ERROR] - Section: 702 - Address: 10001005 - Message: \"General internal error.\"");
}

TEST(InternalError, Yes_MailsTheFileAndAsksForAManualSendWhenTheMailClientFails) {
  TInternalFailure failure = Failure();
  TFabricatedMemory memory;
  TFixtureLocator locator;
  TRecordingOutlet outlet;
  ASSERT_TRUE(ReportInternalError(failure, memory, locator, outlet));
  ASSERT_EQ(outlet.Calls.size(), 5u);
  EXPECT_EQ(outlet.Calls[3],
            "mail: C:\\Users\\dev\\AppData\\ZuderaDod\\Brisole\\Brisole.log to "
            "support@zuderadod.example | ZuderaDod 6.1.05 RC 6 critical bug. | ZuderaDod 6.1.05 RC "
            "6 critical bug.");
  EXPECT_EQ(outlet.Calls[4],
            "inform: Information | Cannot connect with your email client.\r\nSend manually the "
            "\"C:\\Users\\dev\\AppData\\ZuderaDod\\Brisole\\Brisole.log\" file to the "
            "support@zuderadod.example email address, after click on OK button to close this box.");
  TRecordingOutlet working;
  working.MailWorks = true;
  ReportInternalError(failure, memory, locator, working);
  EXPECT_EQ(working.Calls.size(), 4u);
}

TEST(InternalError, NoWritablePlace_EndsAfterTheDebuggerLine) {
  TInternalFailure failure = Failure();
  TFabricatedMemory memory;
  TFixtureLocator locator;
  TRecordingOutlet outlet;
  outlet.WrittenPath.reset();
  EXPECT_FALSE(ReportInternalError(failure, memory, locator, outlet));
  EXPECT_EQ(outlet.Calls.size(), 2u);
}

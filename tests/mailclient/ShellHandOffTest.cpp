// SendMailByShell against the stand-in "mailto" program, registered as the
// "mailto" command of HKEY_CLASSES_ROOT.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "delivery/EMailClient.h"
#include "delivery/EMailClientMailto.h"
#include "platform/runtime/SystemErrors.h"
#include "tests/mailclient/MailClientStandins.h"
#include "tests/support/ChildProcess.h"

namespace {

TShellMail ReportMail() {
  TShellMail mail;
  mail.Recipients = "bugs@brisole.it; support@brisole.it";
  mail.Subject = "Bug 1F2A";
  mail.Body = "Dear support,";
  mail.ReportText = "1. General\r\n1.3 Version: 6.1.5\r\n";
  mail.LogFileName = "C:\\Brisole\\Brisole.elf";
  return mail;
}

std::string StandinCommandLine(const std::string& address) {
  return "\"" + ProgramFolder() + "mailclient_standin_mailto.exe\" \"" + address + "\"";
}

// The stand-in program of a journal's "pid", ended when the test is over.
class JournalledProgram {
 public:
  explicit JournalledProgram(const TJournalLines& journal) {
    const std::string pid = JournalValue(journal, "pid");
    if (pid != "(missing)")
      process_ = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, std::stoul(pid));
  }
  ~JournalledProgram() {
    if (!process_) return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
  }
  JournalledProgram(const JournalledProgram&) = delete;
  JournalledProgram& operator=(const JournalledProgram&) = delete;
  bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

 private:
  HANDLE process_ = nullptr;
};

TEST(ShellHandOff, MailProgramRunsMaximisedWithTheAddressAndIsPutOnTop) {
  const StandinSession session("", "window");
  const RegisteredMailtoCommand mailto;
  const TShellMail mail = ReportMail();
  std::vector<std::string> warnings;
  EXPECT_TRUE(SendMailByShell(mail, [&](const std::string& text) { warnings.push_back(text); },
                              {10000, 0}));
  EXPECT_EQ(warnings, std::vector<std::string>{});
  const TJournalLines journal = session.MailtoJournal();
  EXPECT_EQ(JournalValue(journal, "command"), StandinCommandLine(ShellMailAddress(mail)));
  EXPECT_EQ(JournalValue(journal, "command"),
            StandinCommandLine("mailto:bugs%40brisole%2Eit,support%40brisole%2Eit"
                               "?Subject=Bug%201F2A&Body=Dear%20support%2C%0D%0A%0D%0A%0D%0A"
                               "1%2E%20General%0D%0A1%2E3%20Version%3A%206%2E1%2E5%0D%0A"));
  EXPECT_EQ(JournalValue(journal, "show"), std::to_string(SW_SHOWMAXIMIZED));
  EXPECT_EQ(JournalValue(journal, "topmost"), "yes");
}

TEST(ShellHandOff, LongReport_AddressCutWithANoteNamingTheLogFile) {
  const StandinSession session("", "record");
  const RegisteredMailtoCommand mailto;
  TShellMail mail = ReportMail();
  mail.ReportText = std::string(20000, 'r');
  EXPECT_TRUE(SendMailByShell(mail, [](const std::string&) {}, {10000, 0}));
  const std::string command = JournalValue(session.MailtoJournal(), "command");
  EXPECT_EQ(command, StandinCommandLine(ShellMailAddress(mail)));
  const std::string address = command.substr(command.find("\"mailto:") + 1);
  EXPECT_LE(address.size() - 1, kMailtoAddressLimit);  // without its closing quote
  EXPECT_NE(
      address.find(MailtoEncode("\r\n[...] The whole report is in C:\\Brisole\\Brisole.elf.")),
      std::string::npos);
}

TEST(ShellHandOff, ProgramStillOpenAfterTheWait_HandedOffAndLeftRunning) {
  const StandinSession session("", "stay");
  const RegisteredMailtoCommand mailto;
  TShellMail mail = ReportMail();
  mail.WaitMs = 200;
  std::vector<std::string> warnings;
  const bool handedOff =
      SendMailByShell(mail, [&](const std::string& text) { warnings.push_back(text); }, {10000, 0});
  const JournalledProgram program(session.MailtoJournal());
  EXPECT_TRUE(handedOff);
  EXPECT_EQ(warnings, std::vector<std::string>{});
  EXPECT_TRUE(program.Running());
}

TEST(ShellHandOff, NoUsableCommand_SystemMessage) {
  struct CommandCase {
    const char* command;
    DWORD error;
  };
  const CommandCase cases[] = {
      {"", ERROR_NO_ASSOCIATION},
      {"\"C:\\no such folder\\mail.exe\" \"%1\"", ERROR_FILE_NOT_FOUND},
  };
  for (const CommandCase& row : cases) {
    SCOPED_TRACE(row.command);
    const StandinSession session("", "record");
    const RegisteredMailtoCommand mailto(row.command);
    std::vector<std::string> warnings;
    EXPECT_FALSE(SendMailByShell(
        ReportMail(), [&](const std::string& text) { warnings.push_back(text); }, {10000, 0}));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], SysErrorMessage(row.error));
    EXPECT_FALSE(warnings[0].empty());
  }
}

}  // namespace

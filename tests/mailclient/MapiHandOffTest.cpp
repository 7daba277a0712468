// SendMailByMapi against the stand-in mail client library, registered for
// the current user as a real client is.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "delivery/EMailClient.h"
#include "tests/mailclient/MailClientStandins.h"
#include "tests/support/ChildProcess.h"

namespace {

constexpr char kStandinLibrary[] = "mailclient_standin_mapi.dll";

struct Warnings {
  std::vector<std::string> texts;
  TWarningSink Sink() {
    return [this](const std::string& text) { texts.push_back(text); };
  }
};

std::string CurrentFolder() {
  char folder[MAX_PATH];
  return std::string(folder, GetCurrentDirectoryA(MAX_PATH, folder));
}

TMapiMail SimpleMail() {
  TMapiMail mail;
  mail.Recipients = "bugs@brisole.it";
  mail.Subject = "Bug";
  mail.Body = "Body";
  return mail;
}

struct ModeCase {
  const char* mode;
  TMailClientOutcome outcome;
  std::vector<std::string> warnings;
  bool sent;  // MAPISendMail was called
};

TEST(MapiHandOff, ClientAnswers_OutcomeAndWarning) {
  const ModeCase cases[] = {
      {"send", TMailClientOutcome::Sent, {}, true},
      {"abort", TMailClientOutcome::UserAborted, {}, true},
      {"fail", TMailClientOutcome::Failed, {"Cannot send the MAPI message."}, true},
      {"refuse-logon", TMailClientOutcome::Failed, {"Cannot LogOn into the MAPI service."}, false},
  };
  for (const ModeCase& row : cases) {
    SCOPED_TRACE(row.mode);
    const StandinSession session(row.mode, "record");
    const auto client = RegisteredMailClient::Standin(kStandinLibrary);
    Warnings warnings;
    EXPECT_EQ(SendMailByMapi(SimpleMail(), warnings.Sink()), row.outcome);
    EXPECT_EQ(warnings.texts, row.warnings);
    const TJournalLines journal = session.MapiJournal();
    EXPECT_EQ(JournalValue(journal, "logon.flags"), "1");  // the logon may ask the user
    EXPECT_EQ(JournalValue(journal, "logon.profile"), "(null)");
    EXPECT_EQ(JournalValues(journal, "send.session").size(), row.sent ? 1u : 0u);
    // Logged off exactly when logged on.
    EXPECT_EQ(
        JournalValues(journal, "logoff.session"),
        row.sent ? std::vector<std::string>{std::to_string(0x5E55)} : std::vector<std::string>{});
  }
}

TEST(MapiHandOff, Sent_ClientGetsRecipientsTextsAndExistingFiles) {
  const StandinSession session("send", "record");
  const auto client = RegisteredMailClient::Standin(kStandinLibrary);
  const std::string folder = session.Folder();
  WriteFileBytes(folder + "Report.zip", "zip");
  WriteFileBytes(folder + "shot.png", "png");
  TMapiMail mail;
  mail.Recipients = " bugs@brisole.it ;; support@brisole.it, ";
  mail.Subject = "Bug 1F2A\r\nin\tBrisole";
  mail.Body = "Dear support,\r\nsee the report.\r\n";
  mail.Files = {{folder + "Report.zip", "BugReport.zip"},
                {folder + "missing.txt", "missing.txt"},
                {folder + "shot.png", ""}};
  mail.ShowClientWindow = true;
  mail.ParentWindow = reinterpret_cast<void*>(0x1234);
  const std::string before = CurrentFolder();
  Warnings warnings;

  EXPECT_EQ(SendMailByMapi(mail, warnings.Sink()), TMailClientOutcome::Sent);
  EXPECT_EQ(warnings.texts, std::vector<std::string>{});
  // The client moved the current folder; the program has its own back.
  EXPECT_EQ(CurrentFolder(), before);
  const TJournalLines journal = session.MapiJournal();
  EXPECT_EQ(JournalValue(journal, "logon.parent"), std::to_string(0x1234));
  EXPECT_EQ(JournalValue(journal, "send.parent"), std::to_string(0x1234));
  EXPECT_EQ(JournalValue(journal, "send.flags"), "9");  // logon interface and message window
  EXPECT_EQ(JournalValue(journal, "subject"), "Bug 1F2A in Brisole");
  EXPECT_EQ(JournalValue(journal, "body"), mail.Body);
  EXPECT_EQ(JournalValue(journal, "originator"), "none");
  EXPECT_EQ(JournalValues(journal, "recipient"),
            (std::vector<std::string>{"1|bugs@brisole.it|SMTP:bugs@brisole.it",
                                      "1|support@brisole.it|SMTP:support@brisole.it"}));
  EXPECT_EQ(JournalValues(journal, "file"),
            (std::vector<std::string>{"4294967295|" + folder + "Report.zip|BugReport.zip",
                                      "4294967295|" + folder + "shot.png|shot.png"}));
}

TEST(MapiHandOff, WithoutShowClientWindow_NoMessageWindowAndNoFileTable) {
  const StandinSession session("send", "record");
  const auto client = RegisteredMailClient::Standin(kStandinLibrary);
  Warnings warnings;
  EXPECT_EQ(SendMailByMapi(SimpleMail(), warnings.Sink()), TMailClientOutcome::Sent);
  const TJournalLines journal = session.MapiJournal();
  EXPECT_EQ(JournalValue(journal, "send.flags"), "1");
  EXPECT_EQ(JournalValue(journal, "send.parent"), "0");
  EXPECT_EQ(JournalValue(journal, "files"), "0");
}

TEST(MapiHandOff, FortyFiles_FortyAttachments) {
  const StandinSession session("send", "record");
  const auto client = RegisteredMailClient::Standin(kStandinLibrary);
  TMapiMail mail = SimpleMail();
  for (int i = 0; i < 40; ++i) {
    const std::string name = "file" + std::to_string(i) + ".txt";
    WriteFileBytes(session.Folder() + name, name);
    mail.Files.push_back({session.Folder() + name, name});
  }
  Warnings warnings;
  EXPECT_EQ(SendMailByMapi(mail, warnings.Sink()), TMailClientOutcome::Sent);
  const std::vector<std::string> files = JournalValues(session.MapiJournal(), "file");
  ASSERT_EQ(files.size(), 40u);
  EXPECT_EQ(files.back(), "4294967295|" + session.Folder() + "file39.txt|file39.txt");
}

TEST(MapiHandOff, AddressTooLong_RefusedBeforeTheClientIsAsked) {
  const StandinSession session("send", "record");
  const auto client = RegisteredMailClient::Standin(kStandinLibrary);
  const std::string address = std::string(250, 'a') + "@b";  // 252 characters
  TMapiMail mail = SimpleMail();
  mail.Recipients = "bugs@brisole.it;" + address;
  Warnings warnings;
  EXPECT_EQ(SendMailByMapi(mail, warnings.Sink()), TMailClientOutcome::Failed);
  EXPECT_EQ(warnings.texts,
            std::vector<std::string>{"Cannot send the MAPI message: the address \"" + address +
                                     "\" is longer than 251 characters."});
  EXPECT_TRUE(session.MapiJournal().empty());
}

TEST(MapiHandOff, LibraryWithoutSendMail_CannotFindTheFunctions) {
  const StandinSession session("send", "record");
  const auto client = RegisteredMailClient::Standin("mailclient_standin_mapi_without_send.dll");
  Warnings warnings;
  EXPECT_EQ(SendMailByMapi(SimpleMail(), warnings.Sink()), TMailClientOutcome::Failed);
  EXPECT_EQ(warnings.texts, std::vector<std::string>{"Cannot found the MAPI functions."});
  EXPECT_TRUE(session.MapiJournal().empty());
}

TEST(MapiHandOff, RegisteredLibraryMissing_FallbackLibraryUsedOrCannotOpen) {
  const StandinSession session("send", "record");
  const auto client = RegisteredMailClient::AtPath(session.Folder() + "gone.dll");
  Warnings warnings;
  EXPECT_EQ(SendMailByMapi(SimpleMail(), warnings.Sink(), ProgramFolder() + kStandinLibrary),
            TMailClientOutcome::Sent);
  EXPECT_EQ(JournalValues(session.MapiJournal(), "send.session").size(), 1u);

  EXPECT_EQ(SendMailByMapi(SimpleMail(), warnings.Sink(), session.Folder() + "nothing.dll"),
            TMailClientOutcome::Failed);
  EXPECT_EQ(warnings.texts, std::vector<std::string>{"Cannot open the MAPI dll."});
}

// The scenario of the caller's fallback: a failing client, then "mailto".
TEST(MapiHandOff, ClientFails_MailtoProgramDeliversTheMail) {
  const StandinSession session("fail", "record");
  const auto client = RegisteredMailClient::Standin(kStandinLibrary);
  const RegisteredMailtoCommand mailto;
  Warnings warnings;
  TShellMail shellMail;
  shellMail.Recipients = "bugs@brisole.it";
  shellMail.Subject = "Bug";
  shellMail.Body = "Body";
  shellMail.ReportText = "Report";
  ASSERT_EQ(SendMailByMapi(SimpleMail(), warnings.Sink()), TMailClientOutcome::Failed);
  EXPECT_TRUE(SendMailByShell(shellMail, warnings.Sink(), {10000, 0}));
  EXPECT_EQ(warnings.texts, std::vector<std::string>{"Cannot send the MAPI message."});
  EXPECT_NE(
      JournalValue(session.MailtoJournal(), "command")
          .find("\"mailto:bugs%40brisole%2Eit?Subject=Bug&Body=Body%0D%0A%0D%0A%0D%0AReport\""),
      std::string::npos);
}

}  // namespace

// The prefix's own mail client. Wine registers one for the machine ("Native
// Mail Client", winemapi.dll). It takes the mail through MAPI, reports it as
// sent, and hands it on as its own "mailto" address (without the
// attachments) to Wine's browser launcher, which runs the first mailer of
// HKCU\Software\Wine\WineBrowser "Mailers" found on the host; the "mailto"
// command of HKEY_CLASSES_ROOT is not asked. So with Wine's client there is
// no fallback to SendMailByShell.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "delivery/EMailClient.h"
#include "engine/ECoreServices.h"
#include "tests/mailclient/MailClientStandins.h"
#include "tests/support/ChildProcess.h"

namespace {

// The host's name for a file of the prefix, or empty off Wine.
std::string HostFileName(const std::string& path) {
  using TUnixFileName = char*(CDECL*)(LPCWSTR);
  const auto unixFileName = reinterpret_cast<TUnixFileName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixFileName) return {};
  std::wstring wide(path.begin(), path.end());
  char* name = unixFileName(wide.c_str());
  if (!name) return {};
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

TEST(MachineMailClient, WinesOwnClient_SentAndHandedToWinesMailer) {
  const std::string machineClient = ReadRegistryString(HKEY_LOCAL_MACHINE, kMailClientsKey, "");
  const std::string machineLibrary = ReadRegistryString(
      HKEY_LOCAL_MACHINE, std::string(kMailClientsKey) + "\\" + machineClient, "DLLPath");
  if (machineLibrary.find("winemapi.dll") == std::string::npos)
    GTEST_SKIP() << "the machine's mail client is not Wine's own";
  const std::string mailer = HostFileName(ProgramFolder() + "mailclient_wine_mailer.sh");
  ASSERT_FALSE(mailer.empty());
  const std::string mailerJournal = ProgramFolder() + "mailclient_wine_mailer.journal";
  DeleteFileA(mailerJournal.c_str());

  const StandinSession session("", "record");
  const auto client = RegisteredMailClient::None();
  const RegisteredMailtoCommand mailto;
  // Nothing reaches the mail program of the host's desktop.
  const RegistryValueOverride mailers(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", "Mailers",
                                      mailer);
  WriteFileBytes(session.Folder() + "Report.zip", "zip");
  TMapiMail mail;
  mail.Recipients = "bugs@brisole.it";
  mail.Subject = "Bug 1F2A";
  mail.Body = "Body text";
  mail.Files = {{session.Folder() + "Report.zip", "Report.zip"}};
  std::vector<std::string> warnings;

  EXPECT_EQ(SendMailByMapi(mail, [&](const std::string& text) { warnings.push_back(text); }),
            TMailClientOutcome::Sent);
  EXPECT_EQ(warnings, std::vector<std::string>{});
  const TJournalLines handed = JournalOnceItHolds(mailerJournal, "address");
  const std::string address = JournalValue(handed, "address");
  std::printf("Wine's client handed on: %s\n", address.c_str());
  EXPECT_TRUE(address.starts_with("mailto:bugs@brisole.it?")) << address;
  EXPECT_NE(address.find("Bug%201F2A"), std::string::npos) << address;
  EXPECT_NE(address.find("Body%20text"), std::string::npos) << address;
  EXPECT_EQ(address.find("Report.zip"), std::string::npos) << address;
  EXPECT_TRUE(session.MailtoJournal().empty());
  DeleteFileA(mailerJournal.c_str());
}

}  // namespace

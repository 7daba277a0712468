// The stand-in server as the console program users run, with its misbehaviour
// switches, answering the real DLL.
#include <gtest/gtest.h>

#include "tests/support/ChildProcess.h"
#include "tests/support/InstallerDll.h"
#include "tests/support/MessageWindowWatcher.h"
#include "tests/support/TempFolder.h"

TEST(StandInServerProgram, Switches_GiveTheOutcomeTheyPromise) {
  if (!DisplayAvailable())
    GTEST_SKIP() << "needs a display (run under xvfb-run) for the message window";
  struct Row {
    const char* switches;
    unsigned char result;
    const char* message;  // empty: no window
    const char* share;    // empty: no file
  } rows[] = {
      {"--share \\\\SRV\\Brisole", 1, "", "\\\\SRV\\Brisole"},
      {"--refuse \"disco pieno\"", 1,
       "Il server non pu\xF2 condividere la cartella di Brisole; motivo:\r\ndisco pieno",
       "!disco pieno"},
      {"--wrong-keyword", 0,
       "Server Brisole non trovato. Assicurarsi che Brisole si aperto sul server.", ""},
      {"--oversize", 0,
       "Impossibile contattare il server: Socket Error # 10040\r\nMessage too long.", ""},
  };
  InstallerDll dll;
  MessageWindowWatcher windows(InstallerCaptionOfThisProcess());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.switches);
    TempFolder folder;
    RunningChild server(
        std::string("brisole_server.exe --requests 2 --alias DB1 --connection h:x ") +
        row.switches);
    Sleep(500);  // the program binds its port while starting
    const std::size_t shownBefore = windows.Texts().size();

    const ExportCallResult call = dll.SetParameters("127.0.0.1", folder.Path().c_str());
    const ChildOutcome served = server.Finish(row.result ? 10000 : 0);

    ASSERT_FALSE(call.raised) << call.message;
    EXPECT_EQ(call.result, row.result) << served.output;
    const auto texts = windows.Texts();
    if (*row.message) {
      ASSERT_EQ(texts.size(), shownBefore + 1);
      EXPECT_EQ(texts.back(), row.message);
    } else {
      EXPECT_EQ(texts.size(), shownBefore);
    }
    const std::string ini = ReadFileBytes(folder.Path() + "BrisoleInstaller.ini");
    if (*row.share) {
      EXPECT_NE(ini.find(std::string("Share=") + row.share + "\r\n"), std::string::npos) << ini;
      EXPECT_NE(served.output.find("sent \"BRISOLESHARE_A\""), std::string::npos) << served.output;
    } else {
      EXPECT_EQ(ini, "");
    }
  }
}

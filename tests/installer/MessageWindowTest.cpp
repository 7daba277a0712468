#include "installer/MessageWindow.h"

#include <gtest/gtest.h>

#include "tests/support/InstallerDll.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/MessageWindowWatcher.h"
#include "tests/support/TempFolder.h"

namespace {

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

TEST(MessageWindow, Caption_IsTheExecutableNameCutAtTheFirstDotWithTheRestLowered) {
  struct Row {
    const char* path;
    const char* title;
  } rows[] = {
      {"C:\\Setup\\SETUP.EXE", "Setup"},   {"setup.exe", "setup"},
      {"C:\\a.b\\My.Installer.exe", "My"}, {"D:\\x\\INSTALL_Brisole", "Install_brisole"},
      {"C:\\x\\.hidden.exe", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(ApplicationTitle(row.path, &AsciiLower), row.title);
  }
}

TEST(MessageWindow, RealWindow_HasOneOkButtonNoIconIsCentredAndShowsTheBytes) {
  if (!DisplayAvailable()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  InstallerDll dll;
  TempFolder folder;
  MessageWindowWatcher windows(InstallerCaptionOfThisProcess());
  StandInSettings settings = AnsweringServer("DB1", "h:x", "");
  settings.shareReply = RefusalReplyFor("disco pieno");
  LoopbackServer server(settings);

  const ExportCallResult call = dll.SetParameters(server.Address().c_str(), folder.Path().c_str());

  ASSERT_FALSE(call.raised);
  const auto seen = windows.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, "installer_tests");
  EXPECT_EQ(seen[0].text,
            "Il server non pu\xF2 condividere la cartella di Brisole; motivo:\r\ndisco pieno");
  EXPECT_EQ(seen[0].buttons, std::vector<std::string>{"OK"});
  EXPECT_FALSE(seen[0].hasIcon);
  EXPECT_TRUE(seen[0].centredOnScreen);
}

// SetParameters end to end: the real DLL, real datagrams on loopback to the
// stand-in server, the real message window answered under the display, and
// the settings file read back byte for byte.
#include <gtest/gtest.h>

#include <atomic>

#include "tests/support/InstallerDll.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/MessageWindowWatcher.h"
#include "tests/support/RawUdpSocket.h"
#include "tests/support/TempFolder.h"

namespace {

const char kNotFoundFirst[] =
    "Server Brisole non trovato. Assicurarsi che Brisole si aperto sul server.";
const char kNotFoundSecond[] =
    "Server Brisole non trovato. Assicurarsi che Brisole sia aperto sul server.";
const char kRefusedPrefix[] =
    "Il server non pu\xF2 condividere la cartella di Brisole; motivo:\r\n";

std::string ExpectedIni(const std::string& alias, const std::string& connection,
                        const std::string& server, const std::string& share) {
  return "[BDE]\r\nDBAlias=" + alias + "\r\nDBConnectionString=" + connection +
         "\r\nServerName=" + server + "\r\n[Brisole]\r\nShare=" + share + "\r\n";
}

class SetParametersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable())
      GTEST_SKIP() << "needs a display (run under xvfb-run) for the message window";
  }

  std::string IniPath() const { return folder.Path() + "BrisoleInstaller.ini"; }

  InstallerDll dll;
  TempFolder folder;
  MessageWindowWatcher windows{InstallerCaptionOfThisProcess()};
};

}  // namespace

TEST_F(SetParametersTest, BothRepliesUsable_WritesTheFourKeysAndReturnsTrue) {
  LoopbackServer server(AnsweringServer("DB1", "C:\\DB\\SHOP.GDB", "\\\\srv1\\Brisole"));
  const ExportCallResult call = dll.SetParameters(server.Address().c_str(), folder.Path().c_str());

  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.stackImbalance, 0);
  EXPECT_EQ(ReadFileBytes(IniPath()),
            ExpectedIni("DB1", "C:\\DB\\SHOP.GDB", server.Address(), "\\\\srv1\\Brisole"));
  EXPECT_TRUE(windows.Texts().empty());

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].text, "BDESERVERNAME_A");
  EXPECT_EQ(requests[1].text, "BRISOLESHARE_A");
  EXPECT_EQ(requests[0].senderPort, requests[1].senderPort) << "both requests come from one socket";
}

TEST_F(SetParametersTest, FailureRows_ShowTheirMessageAndWriteNothing) {
  struct Row {
    const char* name;
    std::optional<std::string> databaseReply;
    std::optional<std::string> shareReply;
    std::string message;
  } rows[] = {
      {"no first reply", std::nullopt, ShareReplyFor("s"), kNotFoundFirst},
      {"first keyword in other case", "bdeservername_r|DB1@x", ShareReplyFor("s"), kNotFoundFirst},
      {"first reply without bar", "BDESERVERNAME_R DB1@x", ShareReplyFor("s"), kNotFoundFirst},
      {"first payload without at", "BDESERVERNAME_R|DB1", ShareReplyFor("s"), kNotFoundFirst},
      {"first reply too long", std::string(8193, 'x'), ShareReplyFor("s"),
       "Impossibile contattare il server: Socket Error # 10040\r\nMessage too long."},
      {"no second reply", DatabaseReplyFor("DB1", "x:y"), std::nullopt, kNotFoundSecond},
      {"second payload empty", DatabaseReplyFor("DB1", "x:y"), "BRISOLESHARE_R|", kNotFoundSecond},
      {"second reply too long", DatabaseReplyFor("DB1", "x:y"), std::string(9000, 's'),
       "Impossibile concludere la richiesta di condivisione della cartella di Brisole: "
       "Socket Error # 10040\r\nMessage too long."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandInSettings settings;
    settings.databaseReply = row.databaseReply;
    settings.shareReply = row.shareReply;
    LoopbackServer server(settings);
    const std::size_t shownBefore = windows.Texts().size();

    const ExportCallResult call =
        dll.SetParameters(server.Address().c_str(), folder.Path().c_str());

    ASSERT_FALSE(call.raised) << call.message;
    EXPECT_EQ(call.result, 0);
    const auto texts = windows.Texts();
    ASSERT_EQ(texts.size(), shownBefore + 1);
    EXPECT_EQ(texts.back(), row.message);
    EXPECT_FALSE(FileExists(IniPath()));
  }
}

TEST_F(SetParametersTest, UnresolvableHost_ShowsCannotContactWithTheResolversMessage) {
  const ExportCallResult call = dll.SetParameters("no-such-host.invalid", folder.Path().c_str());
  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 0);
  const auto texts = windows.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("Impossibile contattare il server: Socket Error # 1100", 0), 0u)
      << texts[0];
  EXPECT_FALSE(FileExists(IniPath()));
}

TEST_F(SetParametersTest, ShareRefused_ShowsTheReasonThenWritesTheWholePayload) {
  struct Row {
    const char* reason;
  } rows[] = {{"disco pieno"}, {""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reason);
    StandInSettings settings = AnsweringServer("DB1", "C:\\DB\\SHOP.GDB", "");
    settings.shareReply = RefusalReplyFor(row.reason);
    LoopbackServer server(settings);
    const std::size_t shownBefore = windows.Texts().size();

    const ExportCallResult call =
        dll.SetParameters(server.Address().c_str(), folder.Path().c_str());

    ASSERT_FALSE(call.raised) << call.message;
    EXPECT_EQ(call.result, 1);
    const auto texts = windows.Texts();
    ASSERT_EQ(texts.size(), shownBefore + 1);
    EXPECT_EQ(texts.back(), std::string(kRefusedPrefix) + row.reason);
    EXPECT_EQ(ReadFileBytes(IniPath()), ExpectedIni("DB1", "C:\\DB\\SHOP.GDB", server.Address(),
                                                    std::string("!") + row.reason));
  }
}

TEST_F(SetParametersTest, PayloadShapes_AreSplitAndCompletedAsWritten) {
  struct Row {
    const char* name;
    std::string databaseReply;
    std::string shareReply;
    std::string alias;
    std::string connection;  // "<host>" stands for the server address
    std::string share;
  } rows[] = {
      {"path without colon gets the host", "BDESERVERNAME_R|DB1@/data/shop.gdb", "BRISOLESHARE_R|s",
       "DB1", "<host>:/data/shop.gdb", "s"},
      {"only the first bar and at split", "BDESERVERNAME_R|a|b@c", "BRISOLESHARE_R|s", "a|b",
       "<host>:c", "s"},
      {"at alone", "BDESERVERNAME_R|@", "BRISOLESHARE_R|s", "", "<host>:", "s"},
      {"share answered with the other keyword", "BDESERVERNAME_R|DB1@h:x", "BDESERVERNAME_R|x",
       "DB1", "h:x", "x"},
      {"bytes above 127 kept", "BDESERVERNAME_R|D\xE8@h:\xF2", "BRISOLESHARE_R|\\\\s\\\xE0",
       "D\xE8", "h:\xF2", "\\\\s\\\xE0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandInSettings settings;
    settings.databaseReply = row.databaseReply;
    settings.shareReply = row.shareReply;
    LoopbackServer server(settings);
    DeleteFileA(IniPath().c_str());

    const ExportCallResult call =
        dll.SetParameters(server.Address().c_str(), folder.Path().c_str());

    ASSERT_FALSE(call.raised) << call.message;
    EXPECT_EQ(call.result, 1);
    std::string connection = row.connection;
    if (connection.rfind("<host>", 0) == 0) connection = server.Address() + connection.substr(6);
    EXPECT_EQ(ReadFileBytes(IniPath()),
              ExpectedIni(row.alias, connection, server.Address(), row.share));
  }
  EXPECT_TRUE(windows.Texts().empty());
}

TEST_F(SetParametersTest, TargetFolderWithoutFinalSeparator_WritesBesideTheFolderAndCreatesIt) {
  LoopbackServer server(AnsweringServer("DB1", "h:x", "s"));
  const std::string target = folder.Path() + "Prog";

  const ExportCallResult call = dll.SetParameters(server.Address().c_str(), target.c_str());

  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 1);
  EXPECT_TRUE(FileExists(folder.Path() + "ProgBrisoleInstaller.ini"));
  EXPECT_EQ(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(SetParametersTest, MissingNestedFolders_AreCreated) {
  LoopbackServer server(AnsweringServer("DB1", "h:x", "s"));
  const std::string target = folder.Path() + "a\\b\\c\\";
  const ExportCallResult call = dll.SetParameters(server.Address().c_str(), target.c_str());
  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 1);
  EXPECT_TRUE(FileExists(target + "BrisoleInstaller.ini"));
}

TEST_F(SetParametersTest, ExistingFile_KeepsOtherLinesAndReplacesKeysInPlace) {
  WriteFileBytes(
      IniPath(),
      "; installer notes\r\n[BDE]\r\nServerName=old\r\nOther=keep\r\n[Extra]\r\nA=1\r\n");
  LoopbackServer server(AnsweringServer("DB1", "h:x", "s"));

  const ExportCallResult call = dll.SetParameters(server.Address().c_str(), folder.Path().c_str());

  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(ReadFileBytes(IniPath()),
            "; installer notes\r\n[BDE]\r\nServerName=" + server.Address() +
                "\r\nOther=keep\r\nDBAlias=DB1\r\nDBConnectionString=h:x\r\n[Extra]\r\nA=1\r\n["
                "Brisole]\r\nShare=s\r\n");
}

TEST_F(SetParametersTest, ReservedArgument_IsNeverRead) {
  for (std::uintptr_t reserved :
       {std::uintptr_t{0}, std::uintptr_t{1}, std::uintptr_t{0xFFFFFFFF}}) {
    SCOPED_TRACE(reserved);
    LoopbackServer server(AnsweringServer("DB1", "h:x", "s"));
    const ExportCallResult call =
        dll.SetParameters(server.Address().c_str(), folder.Path().c_str(), reserved);
    ASSERT_FALSE(call.raised) << call.message;
    EXPECT_EQ(call.result, 1);
  }
}

TEST_F(SetParametersTest, NullServerHost_BehavesAsTheEmptyText) {
  // No server listens here: an empty host name goes to the resolver, which
  // names this machine, and the first exchange finds no server.
  const ExportCallResult withNull = dll.SetParameters(nullptr, folder.Path().c_str());
  const ExportCallResult withEmpty = dll.SetParameters("", folder.Path().c_str());
  ASSERT_FALSE(withNull.raised || withEmpty.raised);
  EXPECT_EQ(withNull.result, 0);
  EXPECT_EQ(withEmpty.result, 0);
  const auto texts = windows.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], texts[1]);
  EXPECT_FALSE(FileExists(IniPath()));
}

TEST_F(SetParametersTest, EmptyOrNullTargetFolder_RaisesUnableToCreateDirectoryAfterBothExchanges) {
  for (const char* target : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(target ? "empty" : "null");
    LoopbackServer server(AnsweringServer("DB1", "h:x", "s"));
    const ExportCallResult call = dll.SetParameters(server.Address().c_str(), target);
    ASSERT_TRUE(call.raised);
    EXPECT_EQ(call.className, "EInOutError");
    EXPECT_EQ(call.message, "Unable to create directory");
    EXPECT_EQ(server.Requests().size(), 2u);
  }
}

TEST_F(SetParametersTest, UnwritableSettingsFile_RaisesUnableToWriteWithThePath) {
  // A target "folder" inside a plain file can neither be created nor written.
  WriteFileBytes(folder.Path() + "plain", "x");
  const std::string target = folder.Path() + "plain\\";
  LoopbackServer server(AnsweringServer("DB1", "h:x", "s"));

  const ExportCallResult call = dll.SetParameters(server.Address().c_str(), target.c_str());

  ASSERT_TRUE(call.raised);
  EXPECT_EQ(call.className, "EIniFileException");
  EXPECT_EQ(call.message, "Unable to write to " + target + "BrisoleInstaller.ini");
}

TEST_F(SetParametersTest, ConsecutiveCalls_AreIndependentAndEachClosesItsSocket) {
  {
    LoopbackServer failing(StandInSettings{});  // silent: the first exchange times out
    const ExportCallResult first =
        dll.SetParameters(failing.Address().c_str(), folder.Path().c_str());
    ASSERT_FALSE(first.raised);
    EXPECT_EQ(first.result, 0);
    const auto requests = failing.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(UdpPortIsFree(requests[0].senderPort)) << "the failed call left its socket open";
  }
  LoopbackServer answering(AnsweringServer("DB1", "h:x", "s"));
  const ExportCallResult second =
      dll.SetParameters(answering.Address().c_str(), folder.Path().c_str());
  ASSERT_FALSE(second.raised);
  EXPECT_EQ(second.result, 1);
  const auto requests = answering.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_TRUE(UdpPortIsFree(requests[0].senderPort));
  EXPECT_EQ(windows.Texts(), std::vector<std::string>{kNotFoundFirst});
}

TEST_F(SetParametersTest, SocketIsOpenWhileTheMessageIsShown_AndClosedAfterwards) {
  StandInSettings settings = AnsweringServer("DB1", "h:x", "");
  settings.shareReply = RefusalReplyFor("no");
  LoopbackServer server(settings);
  std::atomic<int> portHeldWhileShown{-1};
  windows.OnShown([&](const SeenMessageWindow&) {
    const auto requests = server.Requests();
    if (!requests.empty()) portHeldWhileShown = UdpPortIsFree(requests[0].senderPort) ? 0 : 1;
  });

  const ExportCallResult call = dll.SetParameters(server.Address().c_str(), folder.Path().c_str());

  ASSERT_FALSE(call.raised);
  EXPECT_EQ(portHeldWhileShown, 1);
  EXPECT_TRUE(UdpPortIsFree(server.Requests()[0].senderPort));
}

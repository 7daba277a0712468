// The socket client and the SMTP client on real sockets: the library's
// functions by name, the connection line, pieces and their progress, the
// time-out's message, datagrams read one at a time, and a conversation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MailPeers.h"
#include "delivery/ESockets.h"
#include "delivery/ESocketsDns.h"
#include "delivery/EWinSock.h"

namespace {

std::string Loopback(std::uint16_t port) {
  return "Connected to 127.0.0.1 port " + std::to_string(port) + "\r\n";
}

template <class TCall>
std::string FailureOf(TCall call) {
  try {
    call();
  } catch (const EDovaroSocketError& failure) {
    return failure.what();
  }
  return "(no failure)";
}

}  // namespace

TEST(WinSock, FunctionsAreFoundByName_AMissingOneIsNamed) {
  EXPECT_NE(WinSockProcedure("send"), nullptr);
  try {
    WinSockProcedure("NoSuchSocketFunction");
    FAIL() << "a missing function was found";
  } catch (const EDovaroFuncNotFoundError& failure) {
    EXPECT_STREQ(failure.what(), "WinSock's function \"NoSuchSocketFunction\" can not be found");
  }
}

TEST(WinSock, EndedLibraryIsStartedAgainByConnect) {
  StartSockets();
  EXPECT_TRUE(SocketsStarted());
  EndSockets();
  EXPECT_FALSE(SocketsStarted());
  TDovaroClientSocket socket("127.0.0.1", 100, true, PeerPort("VIPC_SILENT_PORT"));
  socket.Connect();
  EXPECT_TRUE(SocketsStarted());
  EXPECT_TRUE(socket.Connected());
}

TEST(ClientSocket, StreamSendsInPiecesAndTimesOutWithItsLogs) {
  const std::uint16_t port = PeerPort("VIPC_SILENT_PORT");
  ASSERT_NE(port, 0);
  TDovaroClientSocket socket("127.0.0.1", 300, true, port);
  socket.Connect();
  ASSERT_TRUE(socket.Connected());
  EXPECT_EQ(socket.ConversationLog(), Loopback(port));

  std::vector<std::size_t> positions;
  socket.SetProgressCallback([&](TDovaroClientSocket&, std::size_t position, std::size_t total) {
    positions.push_back(position);
    EXPECT_EQ(total, 2500u);
  });
  EXPECT_EQ(socket.SendChunked(std::string(2500, 'x')), 2500u);
  EXPECT_EQ(positions, (std::vector<std::size_t>{1025, 2049, 2501}));

  EXPECT_EQ(FailureOf([&] { socket.ReceiveOrFail(); }),
            "Socket timeout.\r\n\r\nError log:\r\n\r\n\r\nSocket log:\r\n" + Loopback(port) +
                "\r\n\r\nDestination: 127.0.0.1:" + std::to_string(port));
  EXPECT_TRUE(socket.Connected()) << "a time-out leaves the socket open";
  socket.Disconnect();
  EXPECT_FALSE(socket.Connected());
  EXPECT_EQ(socket.ConversationLog(), "");
  EXPECT_EQ(socket.SendBuffer("x", 1), 0) << "nothing is sent on a closed socket";
}

TEST(ClientSocket, APortNobodyListensOnIsAConnectionError) {
  const std::uint16_t port = PeerPort("VIPC_DOWN_PORT");
  TDovaroClientSocket socket("127.0.0.1", 300, true, port);
  const std::string failure = FailureOf([&] { socket.Connect(); });
  // Nothing is logged before a connection: the text stands as the socket log.
  EXPECT_TRUE(failure.starts_with("Error log:\r\n\r\n\r\nSocket log:\r\nConnection error: \""))
      << failure;
  EXPECT_TRUE(failure.ends_with("\r\n\r\nDestination: 127.0.0.1:" + std::to_string(port)))
      << failure;
  EXPECT_FALSE(socket.Connected());
}

TEST(ClientSocket, AHostThatCannotBeResolvedIsNamedWithoutLogs) {
  // The reserved top-level domain never resolves.
  TDovaroClientSocket socket("no-such-host.invalid", 300, true, 25);
  EXPECT_EQ(FailureOf([&] { socket.Connect(); }),
            "Unable to resolve host \"no-such-host.invalid\".");
  EXPECT_FALSE(socket.Connected());
}

TEST(ClientSocket, DatagramsAreReadOneAtATime) {
  // The crafted name server answers "wrong-id.test" twice: another
  // identifier first, then ours.
  TDovaroClientSocket socket("127.0.0.1", 2000, false, PeerPort("VIPC_CRAFTED_DNS_PORT"));
  socket.Connect();
  const std::vector<std::uint8_t> query = MxQuery("wrong-id.test");
  ASSERT_EQ(socket.SendChunked(std::string(query.begin(), query.end())), query.size());
  const std::string first = socket.ReceiveWithin();
  const std::string second = socket.ReceiveWithin();
  ASSERT_GE(first.size(), 12u);
  ASSERT_GE(second.size(), 12u);
  EXPECT_EQ(first.substr(0, 2), "BB");
  EXPECT_EQ(second.substr(0, 2), "AA");
  const auto bytes = [](const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
  };
  EXPECT_EQ(MxAnswerHost(bytes(second), "wrong-id.test"), "right.wrong-id.test");
}

TEST(ClientSmtp, GreetingCommandsAndARefusal) {
  const std::uint16_t port = PeerPort("VIPC_SMTP_PORT");
  TDovaroClientSMTP smtp("127.0.0.1", port, 5000);
  smtp.Connect();
  EXPECT_TRUE(smtp.ReplyLog().starts_with("220 ")) << smtp.ReplyLog();
  EXPECT_FALSE(smtp.SendCommand("", {250})) << "an empty line is not sent";
  // EHLO's reply has several lines; it is whole at its final line.
  EXPECT_TRUE(smtp.SendCommand("EHLO PC1", {250}));
  EXPECT_TRUE(smtp.ReplyLog().starts_with("250-")) << smtp.ReplyLog();
  EXPECT_NE(smtp.ReplyLog().find("\r\n250 "), std::string::npos) << smtp.ReplyLog();
  EXPECT_TRUE(smtp.SendCommand("NOOP\r\n", {250}));

  const std::string failure = FailureOf([&] { smtp.SendCommand("VRFY ann", {999}); });
  EXPECT_TRUE(failure.starts_with("Error log:\r\n")) << failure;
  EXPECT_NE(failure.find("\r\n\r\nSocket log:\r\n" + Loopback(port) + "220 "), std::string::npos)
      << failure;
  EXPECT_NE(failure.find("\r\nNOOP\r\n250 "), std::string::npos) << failure;
  EXPECT_NE(failure.find("\r\nVRFY ann\r\n"), std::string::npos) << failure;
}

TEST(ClientSmtp, AReplyEndsAtItsFinalLine_AnUnendedOneAfterAQuietSecond) {
  TDovaroClientSMTP smtp("127.0.0.1", PeerPort("VIPC_SLOW_TALKER_PORT"), 5000);
  smtp.Connect();
  EXPECT_EQ(smtp.ReplyLog(), "220-first line\r\n220 ready\r\n")
      << "the greeting's first piece is not the whole reply";
  EXPECT_TRUE(smtp.SendCommand("HELO PC1", {250}));
  EXPECT_EQ(smtp.ReplyLog(), "250-partial\r\n") << "the wait for the rest is bounded";
}

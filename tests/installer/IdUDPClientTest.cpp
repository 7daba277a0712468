#include "installer/IdUDPClient.h"

#include <gtest/gtest.h>

#include "installer/IdExceptions.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RawUdpSocket.h"

namespace {

// A client already open, and a peer socket that talks to it.
struct OpenClient : ::testing::Test {
  void SetUp() override {
    client.SetBroadcastEnabled(true);
    client.SetActive(true);
    ASSERT_TRUE(peer.Bound());
  }
  TIdUDPClient client;
  RawUdpSocket peer{"127.0.0.1"};
};

}  // namespace

TEST(IdUDPClient, NewClient_HasTheDocumentedSettings) {
  TIdUDPClient client;
  EXPECT_EQ(client.Host(), "");
  EXPECT_EQ(client.Port(), 0);
  EXPECT_EQ(client.IPVersion(), TIdIPVersion::Id_IPv4);
  EXPECT_FALSE(client.BroadcastEnabled());
  EXPECT_EQ(client.BufferSize(), 8192);
  EXPECT_EQ(client.ReceiveTimeout(), IdTimeoutInfinite);
  EXPECT_FALSE(client.Active());
}

TEST(IdUDPClient, SocketLayer_IsReferenceCountedByClients) {
  const int before = SocketLayer::ReferenceCount();
  {
    TIdUDPClient first;
    TIdUDPClient second;
    EXPECT_EQ(SocketLayer::ReferenceCount(), before + 2);
  }
  EXPECT_EQ(SocketLayer::ReferenceCount(), before);
}

TEST_F(OpenClient, ReplyOfExactlyBufferSize_IsReturnedWhole) {
  const std::string reply(8192, 'r');
  peer.SendTo(reply, "127.0.0.1", client.LocalPort());
  EXPECT_EQ(client.ReceiveText(2000), reply);
}

TEST_F(OpenClient, ReplyLongerThanBufferSize_FailsWithMessageTooLong) {
  peer.SendTo(std::string(8193, 'r'), "127.0.0.1", client.LocalPort());
  try {
    client.ReceiveText(2000);
    FAIL() << "an oversize datagram was accepted";
  } catch (const EIdSocketError& failure) {
    EXPECT_EQ(failure.LastError(), 10040);
    EXPECT_STREQ(failure.what(), "Socket Error # 10040\r\nMessage too long.");
  }
  // The datagram is lost: nothing is left to read.
  EXPECT_EQ(client.ReceiveText(200), "");
}

TEST_F(OpenClient, BytesAbove127_AreSentAsQuestionMarks_AndReceivedUnchanged) {
  client.SetHost("127.0.0.1");
  client.SetPort(peer.Port());
  client.SendText("pu\xF2 \xE8\x80");
  std::string got;
  ASSERT_TRUE(peer.Receive(got, 2000));
  EXPECT_EQ(got, "pu? ??");

  peer.SendTo("pu\xF2 \xE8\x80\xFF", "127.0.0.1", client.LocalPort());
  EXPECT_EQ(client.ReceiveText(2000), "pu\xF2 \xE8\x80\xFF");
}

TEST_F(OpenClient, DatagramFromAnotherSender_IsAccepted) {
  client.SetHost("127.0.0.1");
  client.SetPort(peer.Port());
  RawUdpSocket stranger{"127.0.0.1"};
  stranger.SendTo("BRISOLESHARE_R|x", "127.0.0.1", client.LocalPort());
  EXPECT_EQ(client.ReceiveText(2000), "BRISOLESHARE_R|x");
  EXPECT_EQ(client.PeerPort(), stranger.Port());
  EXPECT_EQ(client.PeerIP(), "127.0.0.1");
}

TEST_F(OpenClient, NoDatagram_GivesEmptyTextAfterTheTimeout) {
  const DWORD start = GetTickCount();
  EXPECT_EQ(client.ReceiveText(300), "");
  EXPECT_GE(GetTickCount() - start, 250u);
}

TEST_F(OpenClient, EmptyDatagram_GivesEmptyText) {
  peer.SendTo("", "127.0.0.1", client.LocalPort());
  EXPECT_EQ(client.ReceiveText(2000), "");
}

TEST_F(OpenClient, DefaultTimeout_UsesReceiveTimeout) {
  client.SetReceiveTimeout(200);
  const DWORD start = GetTickCount();
  EXPECT_EQ(client.ReceiveText(IdTimeoutDefault), "");
  EXPECT_GE(GetTickCount() - start, 150u);
}

TEST_F(OpenClient, LocalHostSpellings_SendTo127001) {
  client.SetPort(peer.Port());
  for (const char* host : {"localhost", "LocalHost", "LOCALHOST"}) {
    SCOPED_TRACE(host);
    client.SetHost(host);
    client.SendText(host);
    std::string got;
    ASSERT_TRUE(peer.Receive(got, 2000));
    EXPECT_EQ(got, host);
  }
}

TEST_F(OpenClient, NotADottedQuad_GoesToTheResolver) {
  client.SetHost("256.1.1.1");
  client.SetPort(peer.Port());
  try {
    client.SendText("x");
    FAIL() << "256.1.1.1 was sent somewhere";
  } catch (const EIdSocketError& failure) {
    // The resolver's code: not found, or no resolver reachable on this machine.
    EXPECT_GE(failure.LastError(), 11001);
    EXPECT_LE(failure.LastError(), 11004);
  }
}

TEST_F(OpenClient, UnknownHostName_FailsWithTheResolversError) {
  client.SetHost("no-such-host.invalid");
  client.SetPort(1001);
  try {
    client.SendText("x");
    FAIL() << "an unknown name resolved";
  } catch (const EIdSocketError& failure) {
    EXPECT_EQ(std::string(failure.what()).rfind("Socket Error # 1100", 0), 0u) << failure.what();
  }
}

TEST(IdUDPClient, Activation_OpensAndClosesTheSocket) {
  TIdUDPClient client;
  client.SetActive(true);
  const std::uint16_t firstPort = client.LocalPort();
  EXPECT_NE(firstPort, 0);
  client.SetActive(true);  // already active: nothing happens
  EXPECT_EQ(client.LocalPort(), firstPort);
  client.SetActive(false);
  EXPECT_FALSE(client.Active());
  EXPECT_TRUE(UdpPortIsFree(firstPort));
  client.SetActive(false);
}

TEST(IdUDPClient, DestroyingAnActiveClient_ClosesItsSocket) {
  std::uint16_t port = 0;
  {
    TIdUDPClient client;
    client.SetActive(true);
    port = client.LocalPort();
    EXPECT_FALSE(UdpPortIsFree(port));
  }
  EXPECT_TRUE(UdpPortIsFree(port));
}

TEST(IdUDPClient, InactiveClient_CannotReceive) {
  TIdUDPClient client;
  EXPECT_THROW(client.ReceiveText(10), EIdSocketError);
}

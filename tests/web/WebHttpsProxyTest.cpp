// The request engine under TLS (a self-signed certificate the engine must
// accept) and through a proxy that wants a login, for plain requests and
// for CONNECT tunnels.
#include <gtest/gtest.h>

#include <algorithm>

#include "delivery/EWebTools.h"
#include "tests/web/WebPeer.h"

namespace {

bool CertificateRefused(unsigned long code) {
  return code == 12045 || code == 12055 || code == 12169 || code == 12037 || code == 12038 ||
         code == 12157 || code == 12175;
}

::testing::AssertionResult JournalHas(const char* peer, const std::string& text) {
  const auto entries = PeerJournal(peer);
  if (std::any_of(entries.begin(), entries.end(),
                  [&](const std::string& entry) { return entry == text; }))
    return ::testing::AssertionSuccess();
  std::string all;
  for (const std::string& entry : entries) all += "\n  " + entry;
  return ::testing::AssertionFailure() << "\"" << text << "\" is not in the journal:" << all;
}

std::string ProxyAddress(const char* login) {
  return PeerAddress("http", login, PeerPort("VIPC_PROXY_PORT"));
}

}  // namespace

TEST(WebHttps, CoreRequestsOverTls) {
  REQUIRE_PEER("VIPC_HTTPS_PORT");
  const unsigned port = PeerPort("VIPC_HTTPS_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(
      BuildUrl("https://127.0.0.1/", "ann", "s3cret:x", port), "", 10000u);
  EXPECT_TRUE(connection->Https());
  connection->SetRequest("echo", hmGet);
  connection->AddField("a b", "c&d");
  if (!connection->ExecuteRequest(false) && CertificateRefused(connection->Response().ErrorCode))
    GTEST_SKIP() << "this WinINet refuses the self-signed certificate despite the ignore flags: "
                 << connection->Response().ErrorCode << " " << connection->Response().ErrorText;
  ASSERT_EQ(connection->Response().ErrorCode, 0u) << connection->Response().ErrorText;
  EXPECT_EQ(ParsePeerEcho(connection->Response().RawBody).Fields,
            (std::vector<std::pair<std::string, std::string>>{{"a b", "c&d"}}));

  connection->SetRequest("redirect/302?to=/echo%3Fafter%3D1", hmPostMultipart);
  connection->AddField("x", "y");
  ASSERT_TRUE(connection->ExecuteRequest(false)) << connection->Response().ErrorText;
  EXPECT_EQ(ParsePeerEcho(connection->Response().RawBody).Method, "GET");

  connection->SetRequest("login", hmPostForm);
  connection->AddField("k", "v");
  ASSERT_TRUE(connection->ExecuteRequest(false)) << connection->Response().ErrorText;
  EXPECT_EQ(connection->Response().StatusCode, 200);
  EXPECT_EQ(ParsePeerEcho(connection->Response().RawBody).Kind, "form");
}

TEST(WebProxy, LoopbackAddressGoesThroughTheProxy) {
  REQUIRE_PEER("VIPC_PROXY_PORT");
  const unsigned port = PeerPort("VIPC_HTTP2_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(
      PeerAddress("http", "127.0.0.1", port), ProxyAddress("proxyuser:proxypw@127.0.0.1"));
  connection->SetRequest("echo?via=proxy", hmGet);
  ASSERT_TRUE(connection->ExecuteRequest(false)) << connection->Response().ErrorText;
  EXPECT_EQ(connection->Response().StatusCode, 200);
  EXPECT_TRUE(JournalHas(
      "proxy", "GET http://127.0.0.1:" + std::to_string(port) + "/echo?via=proxy auth=True"));
}

TEST(WebProxy, LocalNamesBypassTheProxy) {
  REQUIRE_PEER("VIPC_PROXY_PORT");
  const unsigned port = PeerPort("VIPC_HTTP_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(
      PeerAddress("http", "localhost", port), ProxyAddress("proxyuser:proxypw@127.0.0.1"));
  connection->SetRequest("echo?via=direct", hmGet);
  ASSERT_TRUE(connection->ExecuteRequest(false)) << connection->Response().ErrorText;
  EXPECT_EQ(connection->Response().StatusCode, 200);
  for (const std::string& entry : PeerJournal("proxy"))
    EXPECT_EQ(entry.find("via=direct"), std::string::npos) << entry;
}

TEST(WebProxy, AWrongProxyPasswordEndsIn407) {
  REQUIRE_PEER("VIPC_PROXY_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(
      PeerAddress("http", "127.0.0.1", PeerPort("VIPC_HTTP2_PORT")),
      ProxyAddress("proxyuser:wrong@127.0.0.1"));
  connection->SetRequest("echo?via=wrong", hmGet);
  ASSERT_TRUE(connection->ExecuteRequest(false)) << connection->Response().ErrorText;
  EXPECT_EQ(connection->Response().StatusCode, 407);
}

TEST(WebProxy, HttpsGoesThroughATunnel) {
  REQUIRE_PEER("VIPC_PROXY_PORT");
  const unsigned port = PeerPort("VIPC_HTTPS_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(
      PeerAddress("https", "127.0.0.1", port), ProxyAddress("proxyuser:proxypw@127.0.0.1"), 10000u);
  connection->SetRequest("echo?via=tunnel", hmGet);
  if (!connection->ExecuteRequest(false) && CertificateRefused(connection->Response().ErrorCode))
    GTEST_SKIP() << "certificate refused: " << connection->Response().ErrorText;
  ASSERT_EQ(connection->Response().ErrorCode, 0u) << connection->Response().ErrorText;
  const std::string connect = "CONNECT 127.0.0.1:" + std::to_string(port);
  EXPECT_EQ(connection->Response().StatusCode, 200);
  EXPECT_EQ(ParsePeerEcho(connection->Response().RawBody).Fields,
            (std::vector<std::pair<std::string, std::string>>{{"via", "tunnel"}}));
  EXPECT_TRUE(JournalHas("proxy", connect + " auth=True"));
}

TEST(WebProxy, HttpsThroughAProxyWithoutLogin) {
  REQUIRE_PEER("VIPC_OPEN_PROXY_PORT");
  const unsigned port = PeerPort("VIPC_HTTPS_PORT");
  auto connection = OpenHttpConnection<THTTPConnectionBase>(
      PeerAddress("https", "127.0.0.1", port),
      PeerAddress("http", "127.0.0.1", PeerPort("VIPC_OPEN_PROXY_PORT")), 10000u);
  connection->SetRequest("echo?via=open", hmPostForm);
  connection->AddField("a", "b");
  if (!connection->ExecuteRequest(false) && CertificateRefused(connection->Response().ErrorCode))
    GTEST_SKIP() << "certificate refused: " << connection->Response().ErrorText;
  ASSERT_EQ(connection->Response().ErrorCode, 0u) << connection->Response().ErrorText;
  EXPECT_TRUE(JournalHas("open-proxy", "CONNECT 127.0.0.1:" + std::to_string(port) + " auth=True"));
  // Not the proxy's own answer to CONNECT: the request went through the tunnel.
  EXPECT_NE(connection->Response().StatusText, "Connection established");
  EXPECT_EQ(connection->Response().StatusCode, 200);
  EXPECT_EQ(ParsePeerEcho(connection->Response().RawBody).Kind, "form");
}

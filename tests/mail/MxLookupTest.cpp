// The MX look-up against real name servers on loopback: dnsmasq for
// well-formed answers, a crafted server for the answers a network can
// bring, a silent one; and the computer's own list of name servers.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "MailPeers.h"
#include "delivery/ESockets.h"

namespace {

// Short waits: every try of an unanswered query costs its whole wait.
constexpr unsigned kLookupTimeoutMs = 600;

std::optional<std::string> Exchanger(const std::string& address,
                                     const std::vector<std::string>& servers, std::uint16_t port,
                                     std::string* failure = nullptr) {
  try {
    return FindMailExchanger(address, kLookupTimeoutMs, servers, port);
  } catch (const EDovaroSocketError& error) {
    if (failure) *failure = error.what();
    return std::nullopt;
  }
}

std::size_t QueriesSeen(const std::string& server, const std::string& domain) {
  const std::vector<std::string> entries = JournalEntries("dns");
  return static_cast<std::size_t>(
      std::count_if(entries.begin(), entries.end(), [&](const std::string& entry) {
        return entry.ends_with("-query-" + server + "-" + domain);
      }));
}

}  // namespace

TEST(MxLookup, DnsmasqAnswers_AnUnknownDomainIsNamedInTheFailure) {
  const std::uint16_t port = PeerPort("VIPC_DNSMASQ_PORT");
  if (port == 0) GTEST_SKIP() << PeerText("VIPC_DNSMASQ_MISSING");
  EXPECT_EQ(Exchanger("ann@example.test", {"127.0.0.1"}, port), "localhost");
  EXPECT_EQ(Exchanger("Ann@EXAMPLE.test", {"127.0.0.1"}, port), "localhost");
  std::string failure;
  EXPECT_EQ(Exchanger("bob@nomx.test", {"127.0.0.1"}, port, &failure), std::nullopt);
  EXPECT_EQ(failure, "Cannot resolve the \"nomx.test\" MX record.");
}

TEST(MxLookup, CraftedAnswers) {
  const std::uint16_t port = PeerPort("VIPC_CRAFTED_DNS_PORT");
  struct TRow {
    const char* address;
    std::optional<std::string> host;
  };
  const TRow rows[] = {
      {"a@pointer-owner.test", "mx.pointer-owner.test"},
      {"a@written-owner.test", "mx.written-owner.test"},
      {"a@first-wins.test", "second.first-wins.test"},  // whatever the preferences say
      {"a@cname-first.test", "mx.cname-first.test"},
      {"a@nxdomain.test", std::nullopt},
      {"a@truncated.test", std::nullopt},
      {"a@pointer-loop.test", std::nullopt},
      {"no-at-sign.test", "mx.no-at-sign.test"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.address);
    std::string failure;
    EXPECT_EQ(Exchanger(row.address, {"127.0.0.1"}, port, &failure), row.host);
    if (!row.host) {
      EXPECT_TRUE(failure.starts_with("Cannot resolve the \"")) << failure;
      EXPECT_EQ(QueriesSeen("answering", failure.substr(20, failure.find('"', 20) - 20)), 3u)
          << "an answer without a host is asked again, three times";
    }
  }
}

TEST(MxLookup, AReplyToAnotherQueryIsSkipped_TheAnswerAfterItCounts) {
  const std::uint16_t port = PeerPort("VIPC_CRAFTED_DNS_PORT");
  const std::size_t before = QueriesSeen("answering", "wrong-id.test");
  EXPECT_EQ(Exchanger("a@wrong-id.test", {"127.0.0.1"}, port), "right.wrong-id.test");
  EXPECT_EQ(QueriesSeen("answering", "wrong-id.test"), before + 1) << "one try sufficed";
}

TEST(MxLookup, ASilentServerGetsThreeTries_ThenTheNextAnswers) {
  const std::uint16_t port = PeerPort("VIPC_CRAFTED_DNS_PORT");
  EXPECT_EQ(Exchanger("a@silent-first.test", {"127.0.0.2", "127.0.0.1"}, port),
            "mx.silent-first.test");
  EXPECT_EQ(QueriesSeen("silent", "silent-first.test"), 3u);
  EXPECT_EQ(QueriesSeen("answering", "silent-first.test"), 1u);
}

TEST(MxLookup, NoServerAnswers_TheDomainIsNamed) {
  const std::uint16_t port = PeerPort("VIPC_CRAFTED_DNS_PORT");
  std::string failure;
  EXPECT_EQ(Exchanger("a@nobody-answers.test", {"127.0.0.2"}, port, &failure), std::nullopt);
  EXPECT_EQ(failure, "Cannot resolve the \"nobody-answers.test\" MX record.");
  EXPECT_EQ(QueriesSeen("silent", "nobody-answers.test"), 3u);
}

TEST(NameServers, TheComputersOwnThenTheFallback) {
  const std::vector<std::string> servers = ListNameServers();
  ASSERT_FALSE(servers.empty());
  EXPECT_EQ(servers.back(), kFallbackNameServer);
  for (const std::string& server : servers) {
    SCOPED_TRACE(server);
    EXPECT_NE(server, "0.0.0.0");
    EXPECT_EQ(std::count(server.begin(), server.end(), '.'), 3) << "a dotted IPv4 address";
  }
}

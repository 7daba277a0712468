// The texts of the sockets road that the delivery tests do not cover: the
// message of a socket failure, the missing-function text, whether a
// datagram answers our MX query, and the login steps of the opening.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "delivery/ESocketsDns.h"
#include "delivery/ESocketsErrors.h"
#include "delivery/ESocketsSmtp.h"
#include "report/EBase64.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

// The answer a name server gives to MxQuery(domain): the query with the
// response flags, `rcode`, and one MX record naming "mx.example.org".
TBytes AnswerTo(const std::string& domain, int rcode = 0) {
  TBytes reply = MxQuery(domain);
  reply[2] = 0x81;
  reply[3] = static_cast<std::uint8_t>(0x80 | rcode);
  reply[7] = 1;
  const std::string exchange =
      "\x02mx\x07"
      "example\x03org";  // and its final zero
  // Owner: a pointer to the question; type MX, class IN, a time to live; the
  // data: preference 10 and the exchange.
  TBytes record = {0xC0, 12, 0,    15,   0, 1,
                   0,    0,  0x0E, 0x10, 0, static_cast<std::uint8_t>(2 + exchange.size() + 1),
                   0,    10};
  record.insert(record.end(), exchange.begin(), exchange.end());
  record.push_back(0);
  reply.insert(reply.end(), record.begin(), record.end());
  return reply;
}

}  // namespace

TEST(SocketErrorText, TextLogsAndDestination) {
  const std::string log = "Connected to 127.0.0.1 port 25\r\n220 ready\r\nHELO PC1\r\n";
  const std::string reply = "554 no\r\n";
  struct TRow {
    const char* name;
    std::string text;
    std::string conversation;
    std::string expected;
  };
  const TRow rows[] = {
      {"a text without the log: both logs follow it", "Socket timeout.", log,
       "Socket timeout.\r\n\r\nError log:\r\n" + reply + "\r\n\r\nSocket log:\r\n" + log +
           "\r\n\r\nDestination: mail.example.org:25"},
      {"the log itself (a refused command): the reply log, then the log", log, log,
       "Error log:\r\n" + reply + "\r\n\r\nSocket log:\r\n" + log +
           "\r\n\r\nDestination: mail.example.org:25"},
      {"a text holding the log further on: the text and the reply log", "Refused: " + log, log,
       "Refused: " + log + "\r\n\r\nError log:\r\n" + reply +
           "\r\n\r\nDestination: mail.example.org:25"},
      {"no log yet: every text begins with the empty log", "Connection error: \"refused\"", "",
       "Error log:\r\n" + reply + "\r\n\r\nSocket log:\r\nConnection error: \"refused\"" +
           "\r\n\r\nDestination: mail.example.org:25"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(SocketErrorText(row.text, row.conversation, reply, "mail.example.org", 25),
              row.expected);
  }
}

TEST(SocketErrorText, LongMessagesAreCutTo1024CharactersAndDots) {
  const std::string text(2000, 'a');
  const std::string message = SocketErrorText(text, "", "", "h", 25);
  EXPECT_EQ(message, std::string("Error log:\r\n\r\n\r\nSocket log:\r\n") +
                         std::string(1024 - 29, 'a') + "...");
  // With the 29 characters before it and the 21 of the destination: 1024.
  const std::string exact(1024 - 50, 'b');
  EXPECT_EQ(SocketErrorText(exact, "", "", "h", 25).size(), 1024u);
}

TEST(WinSockTexts, AMissingFunctionIsNamedInQuotes) {
  EXPECT_EQ(FuncNotFoundText("WSAAsyncSelect"),
            "WinSock's function \"WSAAsyncSelect\" can not be found");
}

TEST(AnswersMxQuery, OnlyResponsesToOurQuestion) {
  struct TRow {
    const char* name;
    TBytes reply;
    bool answers;
  };
  std::vector<TRow> rows = {
      {"the answer", AnswerTo("example.org"), true},
      {"the question's name in other case", AnswerTo("EXAMPLE.org"), true},
      {"name error: an answer, with no host", AnswerTo("example.org", 3), true},
      {"the answer to another name", AnswerTo("example.com"), false},
      {"our own query, echoed", MxQuery("example.org"), false},
  };
  TBytes headerOnly = AnswerTo("example.org");
  headerOnly.resize(12);
  rows.push_back({"a header only", headerOnly, false});
  TBytes otherId = AnswerTo("example.org");
  otherId[0] = 0x42;
  rows.push_back({"another identifier", otherId, false});
  TBytes addressQuestion = AnswerTo("example.org");
  addressQuestion[12 + 13 + 1] = 1;  // the question's type: A
  rows.push_back({"a question of type A", addressQuestion, false});
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(AnswersMxQuery(row.reply, "example.org"), row.answers);
    if (!row.answers) {
      EXPECT_EQ(MxAnswerHost(row.reply, "example.org"), std::nullopt);
    }
  }
  EXPECT_EQ(MxAnswerHost(AnswerTo("example.org"), "example.org"), "mx.example.org");
  EXPECT_EQ(MxAnswerHost(AnswerTo("example.org", 3), "example.org"), std::nullopt);
}

TEST(SmtpCommands, AuthLoginAcceptsNoLoginAndMarksTheCredentialLines) {
  const auto commands = SmtpOpeningCommands({"PC1", "ann", "secret", "ann@example.org"});
  ASSERT_EQ(commands.size(), 6u);
  EXPECT_EQ(commands[2].Line, "AUTH LOGIN");
  EXPECT_EQ(commands[2].Accepted, (std::vector<int>{334, 500, 502}));
  EXPECT_TRUE(commands[2].LoginStep);
  for (std::size_t i = 0; i < commands.size(); ++i) {
    SCOPED_TRACE(commands[i].Line);
    EXPECT_EQ(commands[i].Credential, i == 3 || i == 4);
  }
  EXPECT_EQ(commands[3].Line, Base64Encode("ann"));
  EXPECT_EQ(commands[3].Accepted, std::vector<int>{334});
}

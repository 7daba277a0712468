// The SMTP conversation's texts: the opening commands, reading replies, and
// the log a warning shows.
#include <gtest/gtest.h>

#include "delivery/ESocketsSmtp.h"
#include "report/EBase64.h"

namespace {

std::vector<std::string> LinesOf(const std::vector<TSmtpCommand>& commands) {
  std::vector<std::string> lines;
  for (const TSmtpCommand& command : commands) lines.push_back(command.Line);
  return lines;
}

}  // namespace

TEST(SmtpCommands, WithAndWithoutALogin) {
  TSmtpSession session{"PC1", "", "", "ann@example.org"};
  EXPECT_EQ(LinesOf(SmtpOpeningCommands(session)),
            (std::vector<std::string>{"HELO PC1", "RSET", "MAIL FROM:<ann@example.org>"}));
  session.User = "ann";
  session.Password = "secret";
  const auto commands = SmtpOpeningCommands(session);
  EXPECT_EQ(LinesOf(commands),
            (std::vector<std::string>{"EHLO PC1", "RSET", "AUTH LOGIN", Base64Encode("ann"),
                                      Base64Encode("secret"), "MAIL FROM:<ann@example.org>"}));
  EXPECT_TRUE(commands[2].LoginStep);
  EXPECT_EQ(commands[4].Accepted, std::vector<int>{235});
}

TEST(SmtpReplies, CodeAndCompleteness) {
  struct TRow {
    const char* received;
    std::optional<int> code;
    bool complete;
  };
  const TRow rows[] = {
      {"220 mail ready\r\n", 220, true},
      {"250-first\r\n250-second\r\n", 250, false},
      {"250-first\r\n250-second\r\n250 last\r\n", 250, true},
      {"250 cut", 250, false},
      {"354\r\n", 354, true},
      {"\r\n", std::nullopt, true},
      {"hello\r\n", std::nullopt, true},
      {"", std::nullopt, false},
  };
  for (const TRow& row : rows) {
    EXPECT_EQ(SmtpReplyCode(row.received), row.code) << row.received;
    EXPECT_EQ(SmtpReplyComplete(row.received), row.complete) << row.received;
  }
}

TEST(SmtpLog, CredentialsAreMasked) {
  const TSmtpSession session{"PC1", "ann", "secret", "ann@example.org"};
  const std::string log = "AUTH LOGIN\r\n334 VXNlcm5hbWU6\r\n" + Base64Encode("ann") +
                          "\r\n334 UGFzc3dvcmQ6\r\n" + Base64Encode("secret") + "\r\n535 no\r\n";
  const std::string masked = MaskedConversation(log, session);
  EXPECT_EQ(masked.find(Base64Encode("ann")), std::string::npos);
  EXPECT_EQ(masked.find(Base64Encode("secret")), std::string::npos);
  EXPECT_NE(masked.find("334 VXNlcm5hbWU6\r\n********\r\n"), std::string::npos) << masked;
}

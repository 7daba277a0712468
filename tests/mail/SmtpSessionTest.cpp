// The mail senders against aiosmtpd: what arrives (the commands, the
// envelope, the headers and text as a reader decodes them, the attachments
// byte for byte), logins good, bad and not offered, a refused recipient
// beside delivered ones, a server that is down or never greets, and the
// direct road through an MX record to port 25.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "MailPeers.h"
#include "delivery/ESockets.h"
#include "delivery/ESocketsSystem.h"
#include "delivery/EWinSock.h"
#include "report/EBase64.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr const char* kUser = "ann";  // the login the SMTP peer knows
constexpr const char* kPassword = "s3cret!";

struct TSent {
  bool Served = false;
  std::vector<std::string> Warnings;
  TProgressJournal Progress;
};

TSent Send(const TSmtpMail& mail) {
  TSent sent;
  sent.Served = SendMailBySmtp(mail, &sent.Progress,
                               [&](const std::string& text) { sent.Warnings.push_back(text); });
  return sent;
}

TSmtpMail MailTo(const std::string& recipients, const char* portVariable = "VIPC_SMTP_PORT") {
  TSmtpMail mail;
  mail.Sender = "ann@example.org";
  mail.Server = "127.0.0.1";
  mail.Port = PeerPort(portVariable);
  mail.Recipients = recipients;
  mail.Subject = "Bug report";
  mail.Body = "Hello";
  mail.TimeoutMs = 5000;
  return mail;
}

std::string AllByteValues(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 256);
  return bytes;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

TEST(SmtpSend, TheMessageArrivesWholeAndParses) {
  TempFolder folder;
  const std::string report = AllByteValues(3000);
  const std::string picture = AllByteValues(120);  // 160 Base64 characters: two full lines
  WriteFileBytes(folder.Path() + "report.zip", report);
  WriteFileBytes(folder.Path() + "shot.png", picture);
  TSmtpMail mail = MailTo("bob@example.test");
  mail.Attachments = {{folder.Path() + "report.zip", "PC1_report.zip"},
                      {folder.Path() + "shot.png", "Screenshot.PNG"},
                      {folder.Path() + "missing.txt", "missing.txt"},
                      {folder.Path() + "report.zip", ""}};
  mail.Subject = "Errore\r\nBcc: eve@example.test caff\xE8";
  const std::string longLine(1200, 'L');
  mail.Body = "line one\n.\n..two\rQUIT\r\n.\r\ncaff\xE8\r\n" + longLine;
  const std::size_t before = JournalEntries("smtp").size();

  const TSent sent = Send(mail);
  EXPECT_TRUE(sent.Served);
  EXPECT_TRUE(sent.Warnings.empty()) << sent.Warnings.front();
  const std::vector<TReceivedMail> mails = ReceivedMails("smtp", before);
  ASSERT_EQ(mails.size(), 1u);
  const TReceivedMail& got = mails[0];
  EXPECT_EQ(got.Commands, (std::vector<std::string>{"HELO " + LocalHostName(), "RSET",
                                                    "MAIL FROM:<ann@example.org>",
                                                    "RCPT TO:<bob@example.test>", "DATA"}));
  EXPECT_EQ(got.MailFrom, "ann@example.org");
  EXPECT_EQ(got.Recipients, std::vector<std::string>{"bob@example.test"});
  EXPECT_EQ(got.FromName, SenderDisplayName());
  EXPECT_EQ(got.FromAddress, "ann@example.org");
  EXPECT_TRUE(Contains(got.Raw, "\r\nFrom: \"" + SenderDisplayName() + "\" <ann@example.org>\r\n"));
  EXPECT_EQ(got.Subject, "Errore Bcc: eve@example.test caff\xE8") << "one header line, decoded";
  EXPECT_EQ(got.ToAddress, "bob@example.test");
  EXPECT_TRUE(Contains(got.Raw, "\r\nTo: <bob@example.test>\r\n"));
  EXPECT_FALSE(Contains(got.Raw, "Bcc: eve@example.test\r\n")) << "no header of its own";
  EXPECT_EQ(got.TextEncoding, "quoted-printable");
  EXPECT_EQ(got.Text, "line one\n.\n..two\nQUIT\n.\ncaff\xE8\n" + longLine + "\n")
      << "lines of dots arrive as written";
  ASSERT_EQ(got.Attachments.size(), 2u);
  EXPECT_EQ(got.Attachments[0].Name, "PC1_report.zip");
  EXPECT_EQ(got.Attachments[0].Type, "application/octet-stream");
  EXPECT_EQ(got.Attachments[0].Bytes, report);
  EXPECT_EQ(got.Attachments[1].Name, "Screenshot.PNG");
  EXPECT_EQ(got.Attachments[1].Type, "image/png");
  EXPECT_EQ(got.Attachments[1].Bytes, picture);

  EXPECT_EQ(sent.Progress.Steps(), (std::vector<std::string>{"reset", "counter 1/1", "text 114",
                                                             "text 115", "text 116", "close"}));
  EXPECT_EQ(sent.Progress.Lines[sent.Progress.Lines.size() - 2], "bar 100");
}

TEST(SmtpSend, LoginGoodAndBad_TheWarningHidesTheCredentials) {
  struct TRow {
    const char* password;
    bool served;
  };
  const TRow rows[] = {{kPassword, true}, {"wrong-pass", false}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.password);
    TSmtpMail mail = MailTo("carol@example.test");
    mail.User = kUser;
    mail.Password = row.password;
    const std::size_t before = JournalEntries("smtp").size();
    const TSent sent = Send(mail);
    EXPECT_EQ(sent.Served, row.served);
    const std::vector<TReceivedMail> mails = ReceivedMails("smtp", before);
    if (row.served) {
      EXPECT_TRUE(sent.Warnings.empty());
      ASSERT_EQ(mails.size(), 1u);
      EXPECT_EQ(mails[0].Commands.front(), "EHLO " + LocalHostName());
      EXPECT_EQ(mails[0].Commands[2], "AUTH LOGIN");
      continue;
    }
    EXPECT_TRUE(mails.empty());
    ASSERT_EQ(sent.Warnings.size(), 1u);
    const std::string& warning = sent.Warnings[0];
    EXPECT_TRUE(warning.starts_with("[SMTP] Error log:\r\n535 ")) << warning;
    EXPECT_TRUE(Contains(warning, "\r\nAUTH LOGIN\r\n334 ")) << warning;
    EXPECT_TRUE(Contains(warning, "\r\n********\r\n334 ")) << warning;
    EXPECT_FALSE(Contains(warning, Base64Encode(kUser))) << warning;
    EXPECT_FALSE(Contains(warning, Base64Encode(row.password))) << warning;
  }
}

TEST(SmtpSend, AServerThatOffersNoLoginIsNotSentTheCredentials) {
  TSmtpMail mail = MailTo("dave@example.test", "VIPC_SMTP_NOLOGIN_PORT");
  mail.User = kUser;
  mail.Password = kPassword;
  mail.Sender = "\"Jos\xE9 R.\" <jose@example.org>";  // an 8-bit name of its own
  const TSent sent = Send(mail);
  EXPECT_TRUE(sent.Served);
  EXPECT_TRUE(sent.Warnings.empty()) << sent.Warnings.front();
  const std::vector<TReceivedMail> mails = ReceivedMails("smtp-nologin");
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].Commands,
            (std::vector<std::string>{"EHLO " + LocalHostName(), "RSET", "AUTH LOGIN",
                                      "MAIL FROM:<jose@example.org>", "RCPT TO:<dave@example.test>",
                                      "DATA"}));
  EXPECT_EQ(mails[0].FromName, "Jos\xE9 R.");
  EXPECT_EQ(mails[0].FromAddress, "jose@example.org");
  EXPECT_TRUE(Contains(mails[0].Raw, "\r\nFrom: =?" + AnsiCharset() + "?B?"))
      << "the name as an encoded-word";
}

TEST(SmtpSend, RefusedAndInvalidRecipientsWarn_TheOthersAreServed) {
  const std::size_t before = JournalEntries("smtp").size();
  const TSent sent =
      Send(MailTo("refused@example.test; eve <x>, a b@example.test;erin@example.test,"));
  EXPECT_TRUE(sent.Served);
  ASSERT_EQ(sent.Warnings.size(), 3u);
  EXPECT_TRUE(sent.Warnings[0].starts_with("[SMTP] Error log:\r\n550 ")) << sent.Warnings[0];
  EXPECT_TRUE(Contains(sent.Warnings[0], "\r\nRCPT TO:<refused@example.test>\r\n550 "));
  EXPECT_EQ(sent.Warnings[1], "[SMTP] Invalid recipient \"eve <x>\".");
  EXPECT_EQ(sent.Warnings[2], "[SMTP] Invalid recipient \"a b@example.test\".");
  const std::vector<TReceivedMail> mails = ReceivedMails("smtp", before);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].Recipients, std::vector<std::string>{"erin@example.test"});
  const std::vector<std::string> steps = sent.Progress.Steps();
  for (const char* counter : {"counter 1/4", "counter 2/4", "counter 3/4", "counter 4/4"}) {
    EXPECT_NE(std::find(steps.begin(), steps.end(), counter), steps.end()) << counter;
  }
}

TEST(SmtpSend, AServerDownOrSilentIsAWarning) {
  struct TRow {
    const char* portVariable;
    const char* says;
  };
  const TRow rows[] = {{"VIPC_DOWN_PORT", "Connection error: \""},
                       {"VIPC_SILENT_PORT", "Socket timeout.\r\n\r\nError log:\r\n\r\n"}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.portVariable);
    TSmtpMail mail = MailTo("frank@example.test", row.portVariable);
    mail.User = kUser;
    mail.Password = kPassword;
    mail.TimeoutMs = 1500;
    const TSent sent = Send(mail);
    EXPECT_FALSE(sent.Served);
    ASSERT_EQ(sent.Warnings.size(), 1u);
    const std::string& warning = sent.Warnings[0];
    EXPECT_TRUE(Contains(warning, row.says)) << warning;
    EXPECT_TRUE(warning.ends_with("Destination: 127.0.0.1:" + std::to_string(mail.Port)))
        << warning;
  }
}

TEST(SmtpSend, DirectToTheMailExchangerOnPort25WithoutLogin) {
  const std::uint16_t dnsPort = PeerPort("VIPC_DNSMASQ_PORT");
  if (PeerPort("VIPC_SMTP25_PORT") == 0) GTEST_SKIP() << PeerText("VIPC_SMTP25_MISSING");
  TSmtpMail mail = MailTo("x@nomx.test, gina@example.test");
  mail.Direct = true;
  mail.Server = "relay.invalid";
  mail.Port = 2525;
  mail.User = kUser;  // a mail exchanger is never asked to log in
  mail.Password = "never-sent";
  mail.NameServers = {"127.0.0.1"};
  mail.DnsPort = dnsPort;
  mail.TimeoutMs = 1500;
  const TSent sent = Send(mail);
  EXPECT_TRUE(sent.Served);
  EXPECT_EQ(sent.Warnings,
            std::vector<std::string>{"[SMTP] Cannot resolve the \"nomx.test\" MX record."});
  const std::vector<TReceivedMail> mails = ReceivedMails("smtp25");
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].Commands.front(), "HELO " + LocalHostName());
  EXPECT_EQ(mails[0].Recipients, std::vector<std::string>{"gina@example.test"});
  const std::vector<std::string> steps = sent.Progress.Steps();
  EXPECT_EQ(std::count(steps.begin(), steps.end(), "text 112"), 2);
}

// The mail as the SMTP road writes it: the sender's texts, the recipients,
// the MIME body with its parts, and the message text made safe for the DATA
// phase.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "delivery/ESocketsMail.h"
#include "report/EBase64.h"

namespace {

const std::string kBoundary(kMimeBoundary);

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (auto end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  lines.push_back(text.substr(start));
  return lines;
}

TMailHeaders Headers() {
  TMailHeaders headers;
  headers.Date = "Tue, 9 Dec 2008 14:05:03 +0100";
  headers.From = "\"Ann\" <ann@example.org>";
  headers.Subject = "Bug report";
  headers.Recipient = "support@example.org";
  headers.TickCount = 123456;
  headers.Charset = "windows-1252";
  return headers;
}

}  // namespace

TEST(MailSender, FromValueAndEnvelopeSender) {
  struct TRow {
    const char* sender;
    const char* from;
    const char* envelope;
  };
  const TRow rows[] = {
      {"ann@example.org", "\"Ann\" <ann@example.org>", "ann@example.org"},
      // A name and an address in angle brackets: the From value as it is; the
      // envelope is the address alone, not "Ann <a@b>".
      {"Ann <ann@example.org>", "Ann <ann@example.org>", "ann@example.org"},
      {"\"Ann R.\" <ann@example.org>", "\"Ann R.\" <ann@example.org>", "ann@example.org"},
      {"ann@example.org\r\nBcc: x@y", "\"Ann\" <ann@example.org Bcc: x@y>",
       "ann@example.org Bcc: x@y"},
  };
  for (const TRow& row : rows) {
    const std::string from = FromHeaderValue(row.sender, "Ann");
    EXPECT_EQ(from, row.from) << row.sender;
    EXPECT_EQ(EnvelopeSender(from), row.envelope) << row.sender;
  }
  EXPECT_EQ(CleanHeaderText("a\r\n\t\x01z"), "a z");
}

TEST(MailRecipients, SplitTrimmedAndChecked) {
  EXPECT_EQ(SplitRecipients(" a@b.org; c@d.org ,"),
            (std::vector<std::string>{"a@b.org", "c@d.org"}));
  EXPECT_TRUE(SplitRecipients(" ;, ").empty());
  struct TRow {
    const char* recipient;
    bool valid;
  };
  const TRow rows[] = {
      {"support@example.org", true},   {"", false},      {"a b@example.org", false},
      {"a@b>\r\nRCPT TO:<c@d", false}, {"<a@b>", false}, {"a@b\x7f", false}};
  for (const TRow& row : rows) EXPECT_EQ(ValidRecipient(row.recipient), row.valid) << row.recipient;
}

TEST(MimeBody, TextPartThenOnePartPerExistingNamedFileThenTheClosingBoundary) {
  const std::string bytes(120, 'x');  // 160 Base64 characters: two full lines
  const std::vector<TMailAttachment> attachments = {
      {"Screenshot.png", "png bytes"},
      {"report.elf", bytes},
      {"missing.txt", std::nullopt},
      {"", std::string("no name")},
  };
  const std::string mime = MimeBody("Hello", attachments, "windows-1252");
  const std::string encoded = Base64Encode(bytes);
  const std::string expected =
      "This is a multi-part message in MIME format\r\n\r\n--" + kBoundary +
      "\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: 7bit\r\n\r\nHello\r\n"
      "\r\n--" +
      kBoundary +
      "\r\nContent-Type: image/png;\r\n        name=\"Screenshot.png\"\r\n"
      "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n"
      "        filename=\"Screenshot.png\"\r\n\r\n" +
      Base64Encode("png bytes") +
      "\r\n"
      "\r\n--" +
      kBoundary +
      "\r\nContent-Type: application/octet-stream;\r\n        name=\"report.elf\"\r\n"
      "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n"
      "        filename=\"report.elf\"\r\n\r\n" +
      encoded.substr(0, 80) + "\r\n" + encoded.substr(80) +
      "\r\n\r\n"
      "--" +
      kBoundary + "--\r\n";
  EXPECT_EQ(mime, expected);
}

TEST(MimeBody, LoneBreaksBecomeCrLfAndEightBitOrLongTextGoesQuotedPrintable) {
  EXPECT_EQ(MailTextPart("a\nb\rc\r\nd").Text, "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(MailTextPart("plain").Encoding, "7bit");

  const TMailText accented = MailTextPart("caff\xE8 = ok \r\nend ");
  EXPECT_EQ(accented.Encoding, "quoted-printable");
  EXPECT_EQ(accented.Text, "caff=E8 =3D ok=20\r\nend=20");

  const TMailText longLine = MailTextPart(std::string(2000, 'a'));
  EXPECT_EQ(longLine.Encoding, "quoted-printable");
  std::string joined;
  for (const std::string& line : Lines(longLine.Text)) {
    EXPECT_LE(line.size(), 76u);
    joined += line.ends_with('=') ? line.substr(0, line.size() - 1) : line;
  }
  EXPECT_EQ(joined, std::string(2000, 'a')) << "soft breaks only";

  const std::string mime = MimeBody("caff\xE8", {}, "windows-1252");
  EXPECT_NE(mime.find("Content-Type: text/plain; charset=\"windows-1252\"\r\n"
                      "Content-Transfer-Encoding: quoted-printable\r\n\r\ncaff=E8\r\n"),
            std::string::npos)
      << mime;
}

TEST(MailMessage, HeadersEmptyLineBodyAndTheFinalDot) {
  const std::string mime = MimeBody("Hello", {}, "windows-1252");
  const std::string text = MailMessageText(Headers(), mime);
  EXPECT_EQ(text,
            "Date: Tue, 9 Dec 2008 14:05:03 +0100\r\n"
            "From: \"Ann\" <ann@example.org>\r\n"
            "Subject: Bug report\r\n"
            "To: <support@example.org>\r\n"
            "Content-Type: multipart/mixed; boundary=\"" +
                kBoundary +
                "\";\r\n"
                "MIME-Version: 1.0\r\n"
                "Message-ID: <123456@zuderadod.mail>\r\n"
                "\r\n" +
                mime + ".");
}

TEST(MailMessage, ALineOfADotCannotEndTheMessageEarly) {
  const std::string mime = MimeBody("line one\r\n.\r\nQUIT\r\n.hidden", {}, "windows-1252");
  const std::string text = MailMessageText(Headers(), mime);
  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.back(), ".");
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    EXPECT_NE(lines[i], ".") << "line " << i << " would end the DATA phase";
  }
  EXPECT_NE(text.find("\r\n..\r\nQUIT\r\n..hidden\r\n"), std::string::npos) << text;
}

TEST(MailMessage, HeadersStayOneLineAndEightBitTextsBecomeEncodedWords) {
  TMailHeaders headers = Headers();
  headers.Subject = "Errore\r\nBcc: x@y";
  headers.From = "\"Jos\xE9\" <jose@example.org>";
  std::string text = MailMessageText(headers, MimeBody("x", {}, "windows-1252"));
  EXPECT_NE(text.find("\r\nSubject: Errore Bcc: x@y\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nFrom: =?windows-1252?B?" + Base64Encode("Jos\xE9") +
                      "?= <jose@example.org>\r\n"),
            std::string::npos)
      << text;
  headers.Subject = "Caff\xE8";
  text = MailMessageText(headers, MimeBody("x", {}, "windows-1252"));
  EXPECT_NE(text.find("\r\nSubject: =?windows-1252?B?" + Base64Encode("Caff\xE8") + "?=\r\n"),
            std::string::npos);
  EXPECT_EQ(CodePageCharset(1252), "windows-1252");
  EXPECT_EQ(CodePageCharset(65001), "utf-8");
  EXPECT_EQ(CodePageCharset(12345), "iso-8859-1");
}

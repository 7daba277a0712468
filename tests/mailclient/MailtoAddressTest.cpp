#include <gtest/gtest.h>

#include <string>

#include "delivery/EMailClient.h"
#include "delivery/EMailClientMailto.h"

namespace {

struct EncodingCase {
  std::string text, encoded;
};

TEST(MailtoEncode, KeepsLettersDigitsDashAndHighBytes_EncodesTheRest) {
  const EncodingCase cases[] = {
      {"", ""},
      {"AZaz09-", "AZaz09-"},
      {"a b", "a%20b"},
      {"x.y_z~", "x%2Ey%5Fz%7E"},
      {"r@d.it", "r%40d%2Eit"},
      {"\r\n\t", "%0D%0A%09"},
      {"100%", "100%25"},
      {"?&=#+", "%3F%26%3D%23%2B"},
      {std::string("\0", 1), "%00"},
      {"\x7F", "%7F"},
      {"caff\xE8 \x80\xFF", "caff\xE8%20\x80\xFF"},
  };
  for (const EncodingCase& row : cases) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(MailtoEncode(row.text), row.encoded);
  }
}

struct AddressCase {
  std::string recipients, subject, body, address;
};

TEST(MailtoAddress, EncodesRecipientsSubjectAndBody) {
  const AddressCase cases[] = {
      {"", "", "", "mailto:?Subject=&Body="},
      {"bugs@brisole.it", "Bug 1F2A", "Line 1\r\nLine 2",
       "mailto:bugs%40brisole%2Eit?Subject=Bug%201F2A&Body=Line%201%0D%0ALine%202"},
      // Recipients split at "," and ";", trimmed, empty ones dropped, joined by ",".
      {" a@x.it ;; b-c@y.it, ", "s", "b", "mailto:a%40x%2Eit,b-c%40y%2Eit?Subject=s&Body=b"},
      {"a&b=c?d@x.it", "&Body=", "%1",
       "mailto:a%26b%3Dc%3Fd%40x%2Eit?Subject=%26Body%3D&Body=%251"},
  };
  for (const AddressCase& row : cases) {
    SCOPED_TRACE(row.recipients + "|" + row.subject);
    EXPECT_EQ(MailtoAddress(row.recipients, row.subject, row.body), row.address);
  }
}

TShellMail ShellMail(std::string report) {
  TShellMail mail;
  mail.Recipients = "bugs@brisole.it";
  mail.Subject = "Bug";
  mail.Body = "Hello";
  mail.ReportText = std::move(report);
  mail.LogFileName = "C:\\Logs\\Brisole.elf";
  return mail;
}

TEST(ShellMailAddress, ShortMail_BodyIsTextThenReport) {
  EXPECT_EQ(ShellMailAddress(ShellMail("Report")),
            MailtoAddress("bugs@brisole.it", "Bug", "Hello\r\n\r\n\r\nReport"));
}

TEST(ShellMailAddress, LongReport_CutWithinTheLimitAndNamesTheLogFile) {
  const std::string note = "\r\n[...] The whole report is in C:\\Logs\\Brisole.elf.";
  struct CutCase {
    std::size_t limit;
    std::string report, keptBody;
  };
  const std::size_t frame = MailtoAddress("bugs@brisole.it", "Bug", "").size();
  const std::size_t noteLength = MailtoEncode(note).size();
  const CutCase cases[] = {
      // "Hello" (5) + CR LF CR LF CR LF (18) + "ab" fit; "c" does not.
      {frame + noteLength + 25, "ab" + std::string(200, 'c'), "Hello\r\n\r\n\r\nab"},
      // A space costs 3: "a" fits with 2 left over, " " does not.
      {frame + noteLength + 26, "a b" + std::string(200, 'c'), "Hello\r\n\r\n\r\na"},
      // The cut does not fall between CR and LF.
      {frame + noteLength + 14, std::string(200, 'c'), "Hello\r\n"},
      // Exactly at the limit nothing is cut.
      {frame + MailtoEncode("Hello\r\n\r\n\r\nabc").size(), "abc", "Hello\r\n\r\n\r\nabc"},
  };
  for (const CutCase& row : cases) {
    SCOPED_TRACE(row.limit);
    const std::string address = ShellMailAddress(ShellMail(row.report), row.limit);
    const bool cut =
        row.keptBody.size() < std::string("Hello\r\n\r\n\r\n").size() + row.report.size();
    EXPECT_EQ(address,
              MailtoAddress("bugs@brisole.it", "Bug", row.keptBody + (cut ? note : std::string())));
    EXPECT_LE(address.size(), row.limit);
  }
}

TEST(ShellMailAddress, ReportOfManyKilobytes_StaysWithinTheCommandLineBound) {
  const std::string address = ShellMailAddress(ShellMail(std::string(50000, 'x')));
  // Each "x" costs one character: the cut body fills the bound exactly.
  EXPECT_EQ(address.size(), kMailtoAddressLimit);
  EXPECT_NE(address.find("Hello%0D%0A%0D%0A%0D%0Axxx"), std::string::npos);
  EXPECT_TRUE(
      address.ends_with(MailtoEncode("\r\n[...] The whole report is in C:\\Logs\\Brisole.elf.")));
}

TEST(MailtoCutNote, WithoutLogFile_NamesTheLogFileInWords) {
  EXPECT_EQ(MailtoCutNote(""), "\r\n[...] The whole report is in the log file.");
}

TEST(MailtoCommandLine, EveryPercentOneBecomesTheAddress) {
  struct CommandCase {
    std::string command, line;
  };
  const CommandCase cases[] = {
      {"\"C:\\Mail\\mail.exe\" \"%1\"", "\"C:\\Mail\\mail.exe\" \"mailto:x\""},
      {"mail.exe -to %1 -again %1", "mail.exe -to mailto:x -again mailto:x"},
      {"mail.exe", "mail.exe"},
      {"mail.exe %2 %", "mail.exe %2 %"},
      {"mail.exe %%1", "mail.exe %mailto:x"},
  };
  for (const CommandCase& row : cases) {
    SCOPED_TRACE(row.command);
    EXPECT_EQ(MailtoCommandLine(row.command, "mailto:x"), row.line);
  }
}

}  // namespace

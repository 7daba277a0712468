// The texts of the mail road that come from outside: a server's SMTP reply,
// and addresses and recipient lists from the options. A message built from
// any body never holds a line of a lone dot before its end.
#include <string>

#include "delivery/ESocketsMail.h"
#include "delivery/ESocketsSmtp.h"
#include "delivery/EWebToolsUrl.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzInput input(data, size);
  const std::string_view text = input.Text();
  SmtpReplyCode(text);
  SmtpReplyComplete(text);
  for (const std::string& recipient : SplitRecipients(text)) FUZZ_CHECK(!recipient.empty());

  // A login of any bytes comes back from the address it was built into.
  const std::size_t half = text.size() / 2;
  const std::string user(text.substr(0, half));
  const std::string password(text.substr(half));
  const TUrlParts parts = ParseUrl(BuildUrl("https://h.example.org/tracker", user, password, 8080));
  FUZZ_CHECK(parts.Host == "h.example.org");
  FUZZ_CHECK(parts.Port == 8080);
  FUZZ_CHECK(parts.BasePath == "tracker/");
  ParseUrl(text);

  TMailHeaders headers;
  headers.From = FromHeaderValue(text, text);
  headers.Subject = std::string(text);
  headers.Recipient = "a@b";
  headers.Charset = "windows-1252";
  const std::string message = MailMessageText(headers, MimeBody(text, {}, "windows-1252"));
  FUZZ_CHECK(message.ends_with("\r\n."));
  FUZZ_CHECK(message.find("\r\n.\r\n") == std::string::npos);
  return 0;
}

#include "delivery/EMailClientMailto.h"

#include "delivery/ESocketsMail.h"

namespace {

constexpr std::string_view kBodySeparator = "\r\n\r\n\r\n";

bool KeptAsIs(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c >= 0x80;
}

std::size_t EncodedLength(unsigned char c) {
  return KeptAsIs(c) ? 1 : 3;
}

std::size_t EncodedLength(std::string_view text) {
  std::size_t length = 0;
  for (const char c : text) length += EncodedLength(static_cast<unsigned char>(c));
  return length;
}

// The longest start of `body` whose encoding fits into `budget` characters,
// not ending between a CR and its LF.
std::string_view BodyStartWithin(std::string_view body, std::size_t budget) {
  std::size_t used = 0, kept = 0;
  while (kept < body.size()) {
    const std::size_t next = EncodedLength(static_cast<unsigned char>(body[kept]));
    if (used + next > budget) break;
    used += next;
    ++kept;
  }
  if (kept > 0 && kept < body.size() && body[kept - 1] == '\r' && body[kept] == '\n') --kept;
  return body.substr(0, kept);
}

}  // namespace

std::string MailtoEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(EncodedLength(text));
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (KeptAsIs(byte)) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

std::string MailtoAddress(std::string_view recipients, std::string_view subject,
                          std::string_view body) {
  std::string address = "mailto:";
  bool first = true;
  for (const std::string& recipient : SplitRecipients(recipients)) {
    if (!first) address += ',';
    address += MailtoEncode(recipient);
    first = false;
  }
  address += "?Subject=";
  address += MailtoEncode(subject);
  address += "&Body=";
  address += MailtoEncode(body);
  return address;
}

std::string MailtoCutNote(std::string_view logFileName) {
  if (logFileName.empty()) return "\r\n[...] The whole report is in the log file.";
  return "\r\n[...] The whole report is in " + std::string(logFileName) + ".";
}

std::string ShellMailAddress(const TShellMail& mail, std::size_t limit) {
  const std::string body = mail.Body + std::string(kBodySeparator) + mail.ReportText;
  const std::size_t frame = MailtoAddress(mail.Recipients, mail.Subject, {}).size();
  if (frame + EncodedLength(body) <= limit)
    return MailtoAddress(mail.Recipients, mail.Subject, body);
  const std::string note = MailtoCutNote(mail.LogFileName);
  const std::size_t taken = frame + EncodedLength(note);
  const std::size_t budget = taken < limit ? limit - taken : 0;
  return MailtoAddress(mail.Recipients, mail.Subject,
                       std::string(BodyStartWithin(body, budget)) + note);
}

std::string MailtoCommandLine(std::string_view command, std::string_view address) {
  std::string out;
  for (std::size_t i = 0; i < command.size(); ++i) {
    if (command[i] == '%' && i + 1 < command.size() && command[i + 1] == '1') {
      out += address;
      ++i;
    } else {
      out += command[i];
    }
  }
  return out;
}

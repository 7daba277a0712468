#include "delivery/ESocketsMail.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/runtime/TextTrim.h"
#include "report/EBase64.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kBase64LineLength = 80;
constexpr std::size_t kLongestMailLine = 998;
constexpr std::size_t kQuotedLineLength = 76;

bool IsEightBit(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Lone CR and lone LF become CR LF.
std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += kLineEnd;
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += kLineEnd;
    } else {
      out += c;
    }
  }
  return out;
}

bool HasLongLine(std::string_view text) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(kLineEnd, start), text.size());
    if (end - start > kLongestMailLine) return true;
    start = end + kLineEnd.size();
  }
  return false;
}

std::string Hex(unsigned char c) {
  char text[4];
  std::snprintf(text, sizeof text, "=%02X", c);
  return text;
}

// One line (without its CR LF) quoted-printable, with soft breaks.
void AppendQuotedLine(std::string& out, std::string_view line) {
  std::size_t column = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    const bool last = i + 1 == line.size();
    std::string piece;
    if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last)) {
      piece.assign(1, static_cast<char>(c));
    } else {
      piece = Hex(c);
    }
    if (column + piece.size() > kQuotedLineLength - 1) {
      out += "=\r\n";
      column = 0;
    }
    out += piece;
    column += piece.size();
  }
}

std::string QuotedPrintable(std::string_view text) {
  std::string out;
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto found = text.find(kLineEnd, start);
    const std::size_t end = found == std::string_view::npos ? text.size() : found;
    AppendQuotedLine(out, text.substr(start, end - start));
    if (found == std::string_view::npos) break;
    out += kLineEnd;
    start = end + kLineEnd.size();
  }
  return out;
}

std::string ExtensionUpper(std::string_view name) {
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(name.substr(dot));
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return extension;
}

std::string AttachmentPart(const TMailAttachment& attachment) {
  const std::string type =
      ExtensionUpper(attachment.ShownName) == ".PNG" ? "image/png" : "application/octet-stream";
  std::string part = "\r\n--" + std::string(kMimeBoundary) + "\r\n";
  part += "Content-Type: " + type + ";\r\n";
  part += "        name=\"" + attachment.ShownName + "\"\r\n";
  part += "Content-Transfer-Encoding: base64\r\n";
  part += "Content-Disposition: attachment;\r\n";
  part += "        filename=\"" + attachment.ShownName + "\"\r\n";
  part += "\r\n";
  const std::string encoded = Base64Encode(*attachment.Bytes);
  for (std::size_t at = 0; at < encoded.size(); at += kBase64LineLength) {
    part += encoded.substr(at, kBase64LineLength);
    if (at + kBase64LineLength <= encoded.size()) part += kLineEnd;
  }
  part += kLineEnd;
  return part;
}

// Lines that start with "." get one more, so none ends the DATA phase.
std::string DotStuffed(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  bool lineStart = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (lineStart && text[i] == '.') out += '.';
    out += text[i];
    lineStart = text[i] == '\n' && i > 0 && text[i - 1] == '\r';
  }
  return out;
}

// The From value with an 8-bit display name as an encoded-word.
std::string FromHeader(std::string_view from, std::string_view charset) {
  if (!IsEightBit(from)) return std::string(from);
  const auto open = from.rfind('<');
  if (from.starts_with('"') && open != std::string_view::npos && open >= 2) {
    const auto close = from.rfind('"', open);
    if (close != std::string_view::npos && close > 0) {
      return HeaderWord(from.substr(1, close - 1), charset) + " " + std::string(from.substr(open));
    }
  }
  return HeaderWord(from, charset);
}

}  // namespace

std::string CleanHeaderText(std::string_view text) {
  std::string out;
  bool inRun = false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 32) {
      if (!inRun) out += ' ';
      inRun = true;
    } else {
      out += c;
      inRun = false;
    }
  }
  return out;
}

std::string FromHeaderValue(std::string_view sender, std::string_view displayName) {
  if (sender.find('"') != std::string_view::npos || sender.find('<') != std::string_view::npos) {
    return CleanHeaderText(sender);
  }
  return "\"" + CleanHeaderText(displayName) + "\" <" + CleanHeaderText(sender) + ">";
}

std::string EnvelopeSender(std::string_view fromValue) {
  const auto open = fromValue.rfind('<');
  if (open != std::string_view::npos) {
    const auto close = fromValue.find('>', open);
    if (close != std::string_view::npos)
      return std::string(fromValue.substr(open + 1, close - open - 1));
  }
  return std::string(TrimBlanks(fromValue));
}

std::vector<std::string> SplitRecipients(std::string_view list) {
  std::vector<std::string> recipients;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find_first_of(",;", start), list.size());
    std::string recipient(TrimBlanks(list.substr(start, end - start)));
    if (!recipient.empty()) recipients.push_back(std::move(recipient));
    start = end + 1;
  }
  return recipients;
}

bool ValidRecipient(std::string_view recipient) {
  return !recipient.empty() && std::none_of(recipient.begin(), recipient.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= ' ' || u == 127 || c == '<' || c == '>';
  });
}

TMailText MailTextPart(std::string_view text) {
  std::string normal = WithCrLf(text);
  if (!IsEightBit(normal) && !HasLongLine(normal)) return {"7bit", std::move(normal)};
  return {"quoted-printable", QuotedPrintable(normal)};
}

std::string MimeBody(std::string_view body, const std::vector<TMailAttachment>& attachments,
                     std::string_view charset) {
  const TMailText text = MailTextPart(body);
  std::string mime = "This is a multi-part message in MIME format\r\n\r\n";
  mime += "--" + std::string(kMimeBoundary) + "\r\n";
  mime += "Content-Type: text/plain";
  if (text.Encoding != "7bit") mime += "; charset=\"" + std::string(charset) + "\"";
  mime += "\r\nContent-Transfer-Encoding: " + text.Encoding + "\r\n\r\n";
  mime += text.Text + "\r\n";
  for (const TMailAttachment& attachment : attachments) {
    if (!attachment.ShownName.empty() && attachment.Bytes) mime += AttachmentPart(attachment);
  }
  mime += "--" + std::string(kMimeBoundary) + "--\r\n";
  return mime;
}

std::string HeaderWord(std::string_view value, std::string_view charset) {
  if (!IsEightBit(value)) return std::string(value);
  return "=?" + std::string(charset) + "?B?" + Base64Encode(value) + "?=";
}

std::string MailMessageText(const TMailHeaders& headers, std::string_view mimeBody) {
  std::string text = "Date: " + headers.Date + "\r\n";
  text += "From: " + FromHeader(CleanHeaderText(headers.From), headers.Charset) + "\r\n";
  text += "Subject: " + HeaderWord(CleanHeaderText(headers.Subject), headers.Charset) + "\r\n";
  text += "To: <" + CleanHeaderText(headers.Recipient) + ">\r\n";
  text += "Content-Type: multipart/mixed; boundary=\"" + std::string(kMimeBoundary) + "\";\r\n";
  text += "MIME-Version: 1.0\r\n";
  text += "Message-ID: <" + std::to_string(headers.TickCount) + "@" +
          std::string(kMessageIdDomain) + ">\r\n";
  text += "\r\n";
  text += DotStuffed(WithCrLf(mimeBody));
  if (!text.ends_with(kLineEnd)) text += kLineEnd;
  return text + ".";
}

std::string CodePageCharset(unsigned codePage) {
  switch (codePage) {
    case 874:
      return "windows-874";
    case 932:
      return "shift_jis";
    case 936:
      return "gb2312";
    case 949:
      return "ks_c_5601-1987";
    case 950:
      return "big5";
    case 65001:
      return "utf-8";
    default:
      break;
  }
  if (codePage >= 1250 && codePage <= 1258) return "windows-" + std::to_string(codePage);
  return "iso-8859-1";
}

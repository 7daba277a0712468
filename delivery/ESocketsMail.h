// The mail message as the SMTP road sends it, and the texts of its
// conversation: the From value and the envelope sender, the recipients,
// the MIME body with its attachment parts, and the message text with its
// headers, made safe for the DATA phase.
//
// Pure: no windows.h. The callers supply what comes from the system (the
// date, the tick count, the code page's charset, the files' bytes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kMimeBoundary = "=_xcjvnxkbhvfkxzhfdbvzldjhfv";
// The domain of the Message-ID header.
inline constexpr std::string_view kMessageIdDomain = "zuderadod.mail";

// Every run of characters below 32 becomes one space.
std::string CleanHeaderText(std::string_view text);

// The From header's value: a sender text holding a double quote or "<" as
// it is (cleaned); otherwise the display name in double quotes, " <", the
// cleaned address and ">".
std::string FromHeaderValue(std::string_view sender, std::string_view displayName);

// The envelope sender of MAIL FROM: the address inside the last "<...>" of
// the From value, else the value itself.
std::string EnvelopeSender(std::string_view fromValue);

// The recipients of a list separated by "," and ";", trimmed, empty ones
// dropped.
std::vector<std::string> SplitRecipients(std::string_view list);

// A recipient that can go into "RCPT TO:<...>" and the To header: not
// empty, and without control characters, blanks, "<" or ">".
bool ValidRecipient(std::string_view recipient);

struct TMailAttachment {
  std::string ShownName;             // the name the mail shows; empty: no part
  std::optional<std::string> Bytes;  // none: the file is missing, no part
};

// A text as the mail carries it: lone CR and LF become CR LF; 8-bit text
// or a line over 998 characters goes quoted-printable.
struct TMailText {
  std::string Encoding;  // "7bit" or "quoted-printable"
  std::string Text;
};
TMailText MailTextPart(std::string_view text);

// The MIME body: the preamble, the text part (its charset `charset` when it
// is quoted-printable), one part per attachment that has a name and bytes
// (Base64 in lines of 80), and the closing boundary.
std::string MimeBody(std::string_view body, const std::vector<TMailAttachment>& attachments,
                     std::string_view charset);

// A header value as the mail carries it: as it is when 7-bit, else one
// Base64 encoded-word in `charset`.
std::string HeaderWord(std::string_view value, std::string_view charset);

struct TMailHeaders {
  std::string Date;  // the mail date form
  std::string From;  // FromHeaderValue
  std::string Subject;
  std::string Recipient;
  std::uint32_t TickCount = 0;  // the Message-ID's number
  std::string Charset;          // the code page's charset, for 8-bit texts
};

// The message of the DATA phase, its last line ".": the headers, an empty
// line and the body, every line that starts with "." given one more.
std::string MailMessageText(const TMailHeaders& headers, std::string_view mimeBody);

// The charset name of an ANSI code page ("windows-1252"; "iso-8859-1" for
// one this table does not know).
std::string CodePageCharset(unsigned codePage);

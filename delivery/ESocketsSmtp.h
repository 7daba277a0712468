// The SMTP conversation's texts: the commands of a session in their order
// with the reply codes each accepts, the reading of a server's reply, and
// the conversation log as a warning may show it.
//
// Pure: no windows.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TSmtpCommand {
  std::string Line;
  std::vector<int> Accepted;
  // AUTH LOGIN: it accepts 500 and 502 too, a server that offers no login;
  // then the credential lines after it are not sent.
  bool LoginStep = false;
  // The user's or the password's Base64 line.
  bool Credential = false;
};

// The codes with which a server says it offers no login.
inline constexpr int kSmtpNoLoginCodes[] = {500, 502};

struct TSmtpSession {
  std::string LocalHost;  // the computer's name
  std::string User;       // user and password empty: no login
  std::string Password;
  std::string EnvelopeSender;
};

// Before RCPT TO: the greeting (EHLO with a login, else HELO), RSET, the
// login (AUTH LOGIN, the user and the password in Base64) and MAIL FROM.
std::vector<TSmtpCommand> SmtpOpeningCommands(const TSmtpSession& session);

// The reply code: the run of decimal digits at the start; none without one.
std::optional<int> SmtpReplyCode(std::string_view reply);

// Whether `received` holds a whole reply: its last line ends with CR LF and
// is a final line ("250 ok", not the "250-" of a line that more follow).
bool SmtpReplyComplete(std::string_view received);

// The conversation log with the user's and password's Base64 lines masked.
std::string MaskedConversation(std::string_view log, const TSmtpSession& session);

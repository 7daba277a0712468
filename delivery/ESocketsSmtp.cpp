#include "delivery/ESocketsSmtp.h"

#include <cctype>

#include "report/EBase64.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kMask = "********";

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

void ReplaceAll(std::string& text, const std::string& what, std::string_view with) {
  if (what.empty()) return;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

}  // namespace

std::vector<TSmtpCommand> SmtpOpeningCommands(const TSmtpSession& session) {
  const bool login = !session.User.empty() || !session.Password.empty();
  std::vector<TSmtpCommand> commands;
  commands.push_back({(login ? "EHLO " : "HELO ") + session.LocalHost, {250}});
  commands.push_back({"RSET", {250}});
  if (login) {
    commands.push_back({"AUTH LOGIN", {334, kSmtpNoLoginCodes[0], kSmtpNoLoginCodes[1]}, true});
    commands.push_back({Base64Encode(session.User), {334}, false, true});
    commands.push_back({Base64Encode(session.Password), {235}, false, true});
  }
  commands.push_back({"MAIL FROM:<" + session.EnvelopeSender + ">", {250}});
  return commands;
}

std::optional<int> SmtpReplyCode(std::string_view reply) {
  std::size_t digits = 0;
  while (digits < reply.size() && digits < 9 && IsDigit(reply[digits])) ++digits;
  if (digits == 0) return std::nullopt;
  return std::stoi(std::string(reply.substr(0, digits)));
}

bool SmtpReplyComplete(std::string_view received) {
  if (!received.ends_with(kLineEnd)) return false;
  const std::string_view body = received.substr(0, received.size() - kLineEnd.size());
  const auto previous = body.rfind(kLineEnd);
  const std::string_view last =
      previous == std::string_view::npos ? body : body.substr(previous + kLineEnd.size());
  if (last.size() < 3 || !IsDigit(last[0]) || !IsDigit(last[1]) || !IsDigit(last[2])) {
    return true;  // not a reply line the server continues: nothing more is awaited
  }
  return last.size() == 3 || last[3] != '-';
}

std::string MaskedConversation(std::string_view log, const TSmtpSession& session) {
  std::string masked(log);
  if (!session.User.empty()) ReplaceAll(masked, Base64Encode(session.User), kMask);
  if (!session.Password.empty()) ReplaceAll(masked, Base64Encode(session.Password), kMask);
  return masked;
}

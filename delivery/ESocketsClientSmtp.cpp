#include <algorithm>

#include "delivery/ESocketsClient.h"
#include "delivery/ESocketsSmtp.h"

namespace {

constexpr int kGreeting = 220;

}  // namespace

TDovaroClientSMTP::TDovaroClientSMTP(std::string host, std::uint16_t port, unsigned timeoutMs)
    : TDovaroClientSocket(std::move(host), timeoutMs, true, port) {}

void TDovaroClientSMTP::Connect() {
  TDovaroClientSocket::Connect();
  if (!AwaitReply({kGreeting})) RaiseSocketError(ConversationLog());
}

bool TDovaroClientSMTP::AwaitReply(const std::vector<int>& codes) {
  const std::string received = ReceiveOrFail();
  lastReplyCode_ = SmtpReplyCode(received);
  return lastReplyCode_ && std::find(codes.begin(), codes.end(), *lastReplyCode_) != codes.end();
}

bool TDovaroClientSMTP::SendCommand(std::string_view line, const std::vector<int>& codes) {
  if (line.empty()) return false;
  std::string text(line);
  if (!text.ends_with("\r\n")) text += "\r\n";
  const bool allSent = SendChunked(text) == text.size();
  bool accepted = false;
  if (allSent) {
    AppendToConversation(text);
    ClearReplyLog();
    accepted = AwaitReply(codes);
  }
  if (!allSent || !accepted) RaiseSocketError(ConversationLog());
  return true;
}

void TDovaroClientSMTP::HideCredentials(std::string user, std::string password) {
  user_ = std::move(user);
  password_ = std::move(password);
}

bool TDovaroClientSMTP::ReplyComplete(std::string_view received) const {
  return SmtpReplyComplete(received);
}

std::string TDovaroClientSMTP::MaskedForLog(std::string_view text) const {
  return MaskedConversation(text, TSmtpSession{{}, user_, password_, {}});
}

#include "delivery/ESocketsErrors.h"

namespace {

constexpr std::size_t kLongestMessage = 1024;

}  // namespace

std::string FuncNotFoundText(std::string_view functionName) {
  return "WinSock's function \"" + std::string(functionName) + "\" can not be found";
}

std::string SocketErrorText(std::string_view text, std::string_view conversationLog,
                            std::string_view replyLog, std::string_view host, std::uint16_t port) {
  const std::string errorLog = "Error log:\r\n" + std::string(replyLog);
  std::string message;
  if (text.find(conversationLog) == std::string_view::npos) {
    message = std::string(text) + "\r\n\r\n" + errorLog + "\r\n\r\nSocket log:\r\n" +
              std::string(conversationLog);
  } else if (text.starts_with(conversationLog)) {
    message = errorLog + "\r\n\r\nSocket log:\r\n" + std::string(text);
  } else {
    message = std::string(text) + "\r\n\r\n" + errorLog;
  }
  message += "\r\n\r\nDestination: " + std::string(host) + ":" + std::to_string(port);
  if (message.size() > kLongestMessage) message = message.substr(0, kLongestMessage) + "...";
  return message;
}

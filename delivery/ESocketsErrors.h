// The failures of the sockets road and the message a socket failure carries:
// the text, then the reply and conversation logs, then the destination.
//
// Pure: no windows.h.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// A failure of the sockets library itself (it cannot be started or ended).
class EDovaroWinSockError : public std::runtime_error {
 public:
  using runtime_error::runtime_error;
};

// A failure of a socket or of the conversation on it; the message holds the
// logs (see SocketErrorText).
class EDovaroSocketError : public EDovaroWinSockError {
 public:
  using EDovaroWinSockError::EDovaroWinSockError;
};

// A sockets function that no loaded sockets library provides.
class EDovaroFuncNotFoundError : public EDovaroSocketError {
 public:
  using EDovaroSocketError::EDovaroSocketError;
};

// "WinSock's function \"<name>\" can not be found"
std::string FuncNotFoundText(std::string_view functionName);

// What a socket's failure says, longest 1024 characters and "...":
//  - a text without the conversation log: the text, the reply log and the
//    conversation log;
//  - a text that starts with the conversation log (the SMTP refusals pass
//    the log itself): the reply log, then the text as the socket log;
//  - otherwise the text and the reply log;
// and the destination "host:port" at the end.
std::string SocketErrorText(std::string_view text, std::string_view conversationLog,
                            std::string_view replyLog, std::string_view host, std::uint16_t port);

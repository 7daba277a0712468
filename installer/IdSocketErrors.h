// Texts of the platform's socket error codes, as the datagram client shows
// them (pure).
#pragma once

#include <string>
#include <string_view>

// The text for a Windows Sockets error code; empty for a code without one.
std::string_view SocketErrorText(int code);

// "Socket Error # <code>\r\n<text>".
std::string SocketErrorMessage(int code);

#include "delivery/ESocketsClient.h"

#include <winsock2.h>

#include <algorithm>
#include <chrono>

#include "delivery/EWinSock.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::uintptr_t kNoSocket = ~std::uintptr_t{0};
constexpr int kWouldBlock = 10035;  // WSAEWOULDBLOCK
constexpr std::size_t kPieceSize = 1024;
constexpr std::size_t kLargestDatagram = 65536;
constexpr auto kQuietSpell = std::chrono::milliseconds(1000);

// The sockets functions, looked up by name at each call.
SOCKET CreateSocket(int family, int type, int protocol) {
  return WinSockFunction<SOCKET(WINAPI*)(int, int, int)>("socket")(family, type, protocol);
}
int ConnectSocket(SOCKET s, const sockaddr* address, int length) {
  return WinSockFunction<int(WINAPI*)(SOCKET, const sockaddr*, int)>("connect")(s, address, length);
}
int CloseSocket(SOCKET s) {
  return WinSockFunction<int(WINAPI*)(SOCKET)>("closesocket")(s);
}
int Send(SOCKET s, const char* bytes, int length) {
  return WinSockFunction<int(WINAPI*)(SOCKET, const char*, int, int)>("send")(s, bytes, length, 0);
}
int Receive(SOCKET s, char* bytes, int length) {
  return WinSockFunction<int(WINAPI*)(SOCKET, char*, int, int)>("recv")(s, bytes, length, 0);
}
int IoControl(SOCKET s, long command, u_long* argument) {
  return WinSockFunction<int(WINAPI*)(SOCKET, long, u_long*)>("ioctlsocket")(s, command, argument);
}
u_short HostToNetwork(u_short value) {
  return WinSockFunction<u_short(WINAPI*)(u_short)>("htons")(value);
}
hostent* HostByName(const char* name) {
  return WinSockFunction<hostent*(WINAPI*)(const char*)>("gethostbyname")(name);
}
int AsyncSelect(SOCKET s, HWND window, u_int message, long events) {
  return WinSockFunction<int(WINAPI*)(SOCKET, HWND, u_int, long)>("WSAAsyncSelect")(
      s, window, message, events);
}
int SetOption(SOCKET s, int level, int name, const char* value, int length) {
  return WinSockFunction<int(WINAPI*)(SOCKET, int, int, const char*, int)>("setsockopt")(
      s, level, name, value, length);
}
int LastError() {
  return WinSockFunction<int(WINAPI*)()>("WSAGetLastError")();
}

std::uint32_t FirstAddress(const hostent* entry) {
  if (!entry || !entry->h_addr_list || !entry->h_addr_list[0] || entry->h_length < 4) return 0;
  std::uint32_t address = 0;
  std::copy_n(entry->h_addr_list[0], 4, reinterpret_cast<char*>(&address));
  return address;
}

std::string ConnectionLine(std::uint32_t address, std::uint16_t port) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
  return "Connected to " + std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
         std::to_string(bytes[2]) + "." + std::to_string(bytes[3]) + " port " +
         std::to_string(port) + "\r\n";
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

}  // namespace

TDovaroClientSocket::TDovaroClientSocket(std::string host, unsigned timeoutMs, bool stream,
                                         std::uint16_t port)
    : host_(std::move(host)),
      port_(port),
      stream_(stream),
      timeoutMs_(timeoutMs),
      socket_(kNoSocket) {}

TDovaroClientSocket::~TDovaroClientSocket() {
  try {
    CloseQuietly();
  } catch (...) {  // a library that vanished: nothing is left to close
  }
}

void TDovaroClientSocket::Connect() {
  if (connected_) return;
  StartSockets();
  CloseQuietly();
  const SOCKET s = CreateSocket(AF_INET, stream_ ? SOCK_STREAM : SOCK_DGRAM, 0);
  if (s == INVALID_SOCKET)
    RaiseSocketError("Invalid socket: " + Quoted(LastWinSockErrorText()) + ".");
  socket_ = s;
  const std::uint32_t address = FirstAddress(HostByName(host_.c_str()));
  if (address == 0) {
    CloseQuietly();
    throw EDovaroSocketError("Unable to resolve host " + Quoted(host_) + ".");
  }
  // A notification window left on the socket would keep it non-blocking.
  AsyncSelect(s, nullptr, 0, 0);
  u_long nonBlocking = 0;
  IoControl(s, FIONBIO, &nonBlocking);
  if (stream_) {
    // A command's last piece goes at once instead of waiting for the
    // acknowledgement of the one before (which the peer may delay).
    const BOOL noDelay = TRUE;
    SetOption(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
  }
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = HostToNetwork(port_);
  peer.sin_addr.s_addr = address;
  if (ConnectSocket(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    const std::string text = "Connection error: " + Quoted(LastWinSockErrorText());
    CloseQuietly();
    RaiseSocketError(text);
  }
  peerAddress_ = address;
  connected_ = true;
  conversationLog_ = ConnectionLine(address, port_);
  replyLog_.clear();
}

void TDovaroClientSocket::Disconnect() {
  int error = 0;
  if (socket_ != kNoSocket && CloseSocket(socket_) != 0) error = LastError();
  socket_ = kNoSocket;
  peerAddress_ = 0;
  connected_ = false;
  conversationLog_.clear();
  replyLog_.clear();
  if (error != 0) RaiseSocketError("Cannot close the socket: " + Quoted(WinSockErrorText(error)));
}

void TDovaroClientSocket::CloseQuietly() {
  if (socket_ != kNoSocket) CloseSocket(socket_);
  socket_ = kNoSocket;
  peerAddress_ = 0;
  connected_ = false;
  conversationLog_.clear();
  replyLog_.clear();
}

void TDovaroClientSocket::FailAndClose(std::string_view call, int error) {
  const std::string message = SocketErrorText(
      MaskedForLog("Error into " + Quoted(call) + ": " + Quoted(WinSockErrorText(error))),
      MaskedForLog(conversationLog_), MaskedForLog(replyLog_), host_, port_);
  CloseQuietly();
  throw EDovaroSocketError(message);
}

int TDovaroClientSocket::SendBuffer(const char* bytes, int length) {
  if (!connected_) return 0;
  const int sent = Send(socket_, bytes, length);
  if (sent == SOCKET_ERROR) {
    const int error = LastError();
    if (error != kWouldBlock) {
      if (error != 0) FailAndClose("send", error);
      CloseQuietly();
    }
    replyLog_.clear();
    return 0;
  }
  replyLog_.clear();
  return sent;
}

std::size_t TDovaroClientSocket::SendChunked(std::string_view text) {
  std::size_t total = 0;
  while (total < text.size()) {
    const auto piece = static_cast<int>(std::min(kPieceSize, text.size() - total));
    const int sent = SendBuffer(text.data() + total, piece);
    if (sent <= 0) break;
    total += static_cast<std::size_t>(sent);
    if (progress_) progress_(*this, total + 1, text.size());
  }
  return total;
}

std::size_t TDovaroClientSocket::BytesWaiting() {
  if (!connected_) return 0;
  u_long waiting = 0;
  if (IoControl(socket_, FIONREAD, &waiting) != 0) {
    const int error = LastError();
    if (error != kWouldBlock && error != 0) FailAndClose("recv", error);
    return 0;
  }
  return waiting;
}

std::string TDovaroClientSocket::ReadWaiting(std::size_t waiting) {
  // A datagram comes whole or not at all: its buffer takes the largest.
  std::string piece(stream_ ? waiting : std::max(waiting, kLargestDatagram), '\0');
  const int read = Receive(socket_, piece.data(), static_cast<int>(piece.size()));
  if (read == SOCKET_ERROR) {
    const int error = LastError();
    if (error != kWouldBlock) {
      if (error != 0) FailAndClose("recv", error);
      CloseQuietly();
    }
    return {};
  }
  piece.resize(static_cast<std::size_t>(read));
  conversationLog_ += piece;
  replyLog_ += piece;
  return piece;
}

std::string TDovaroClientSocket::ReceiveAvailable() {
  std::string received;
  std::size_t waiting = BytesWaiting();
  while (waiting > 0) {
    received += ReadWaiting(waiting);
    if (!connected_ || ReplyComplete(replyLog_)) break;
    // More may follow: wait for it, but never longer than a quiet second.
    const auto quietSince = TClock::now();
    while ((waiting = BytesWaiting()) == 0 && connected_ &&
           TClock::now() - quietSince < kQuietSpell) {
      Sleep(1);
    }
  }
  return received;
}

std::string TDovaroClientSocket::ReceiveWithin() {
  const auto start = TClock::now();
  const auto timeout = std::chrono::milliseconds(timeoutMs_);
  for (;;) {
    std::string received = ReceiveAvailable();
    if (!received.empty() || TClock::now() - start >= timeout) return received;
    Sleep(1);
  }
}

std::string TDovaroClientSocket::ReceiveOrFail() {
  std::string received = ReceiveWithin();
  if (received.empty()) RaiseSocketError("Socket timeout.");
  return received;
}

void TDovaroClientSocket::RaiseSocketError(std::string_view text) const {
  throw EDovaroSocketError(SocketErrorText(MaskedForLog(text), MaskedForLog(conversationLog_),
                                           MaskedForLog(replyLog_), host_, port_));
}

bool TDovaroClientSocket::ReplyComplete(std::string_view) const {
  return !stream_;
}

std::string TDovaroClientSocket::MaskedForLog(std::string_view text) const {
  return std::string(text);
}

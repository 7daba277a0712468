#include "installer/IdUDPClient.h"

#include <cstring>
#include <vector>

#include "installer/HostAddress.h"
#include "installer/IdExceptions.h"
#include "installer/IdnConversion.h"

namespace {

using SocketFn = SOCKET(WINAPI*)(int, int, int);
using CloseSocketFn = int(WINAPI*)(SOCKET);
using SetSockOptFn = int(WINAPI*)(SOCKET, int, int, const char*, int);
using GetSockNameFn = int(WINAPI*)(SOCKET, sockaddr*, int*);
using BindFn = int(WINAPI*)(SOCKET, const sockaddr*, int);
using SendToFn = int(WINAPI*)(SOCKET, const char*, int, int, const sockaddr*, int);
using RecvFromFn = int(WINAPI*)(SOCKET, char*, int, int, sockaddr*, int*);
using SelectFn = int(WINAPI*)(int, fd_set*, fd_set*, fd_set*, const timeval*);
using GetAddrInfoFn = int(WINAPI*)(const char*, const char*, const addrinfo*, addrinfo**);
using FreeAddrInfoFn = void(WINAPI*)(addrinfo*);
using GetHostByNameFn = hostent*(WINAPI*)(const char*);

template <class Fn>
Fn As(void* address) {
  return reinterpret_cast<Fn>(address);
}

// Host byte order to network byte order without asking the library.
std::uint16_t NetworkOrder(std::uint16_t value) {
  return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}

std::string FormatIPv4(const in_addr& address) {
  const auto* b = reinterpret_cast<const unsigned char*>(&address);
  return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
         std::to_string(b[3]);
}

}  // namespace

TIdUDPClient::~TIdUDPClient() {
  Close();
}

void TIdUDPClient::RaiseSocketError(int code) const {
  throw EIdSocketError(code);
}

int TIdUDPClient::CheckedCall(int result) const {
  if (result == SOCKET_ERROR) RaiseSocketError(layer_->LastError());
  return result;
}

void TIdUDPClient::SetActive(bool active) {
  if (active == Active()) return;
  if (active) {
    Open();
  } else {
    Close();
  }
}

void TIdUDPClient::Open() {
  const int family = ipVersion_ == TIdIPVersion::Id_IPv4 ? AF_INET : AF_INET6;
  SOCKET handle = As<SocketFn>(layer_->Lookup(SocketLayer::fnSocket))(family, SOCK_DGRAM, 0);
  if (handle == INVALID_SOCKET) RaiseSocketError(layer_->LastError());
  socket_ = handle;
  try {
    auto setOption = As<SetSockOptFn>(layer_->Lookup(SocketLayer::fnSetSockOpt));
    const BOOL off = FALSE;
    CheckedCall(setOption(socket_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&off),
                          sizeof off));

    sockaddr_storage local{};
    int localLength;
    if (family == AF_INET) {
      auto& v4 = reinterpret_cast<sockaddr_in&>(local);
      v4.sin_family = AF_INET;  // any local address, system-chosen port
      localLength = sizeof v4;
    } else {
      auto& v6 = reinterpret_cast<sockaddr_in6&>(local);
      v6.sin6_family = AF_INET6;
      localLength = sizeof v6;
    }
    auto bind = As<BindFn>(layer_->Lookup(SocketLayer::fnBind));
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), localLength) == SOCKET_ERROR) {
      throw EIdCouldNotBindSocket();
    }
    if (broadcastEnabled_) {
      const BOOL on = TRUE;
      CheckedCall(setOption(socket_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                            sizeof on));
    }
  } catch (...) {
    Close();
    throw;
  }
}

void TIdUDPClient::Close() noexcept {
  if (socket_ == INVALID_SOCKET) return;
  if (auto close = As<CloseSocketFn>(layer_->TryLookup(SocketLayer::fnCloseSocket))) close(socket_);
  socket_ = INVALID_SOCKET;
}

std::uint16_t TIdUDPClient::LocalPort() const {
  if (!Active()) return 0;
  auto getName = As<GetSockNameFn>(layer_->TryLookup(SocketLayer::fnGetSockName));
  sockaddr_storage local{};
  int length = sizeof local;
  if (!getName || getName(socket_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
  return NetworkOrder(reinterpret_cast<sockaddr_in&>(local).sin_port);
}

sockaddr_storage TIdUDPClient::ResolveDestination(int& length) const {
  sockaddr_storage destination{};
  if (ipVersion_ == TIdIPVersion::Id_IPv4) {
    auto& v4 = reinterpret_cast<sockaddr_in&>(destination);
    v4.sin_family = AF_INET;
    v4.sin_port = NetworkOrder(port_);
    length = sizeof v4;
    const std::string literal = IsLocalHostName(host_) ? std::string("127.0.0.1") : host_;
    if (auto quad = ParseDottedQuad(literal)) {
      std::memcpy(&v4.sin_addr, quad->data(), 4);
      return destination;
    }
  }

  const std::string name = IsLocalHostName(host_) ? std::string("::1") : ToAsciiHostName(host_);
  const int family = ipVersion_ == TIdIPVersion::Id_IPv4 ? AF_INET : AF_INET6;
  if (auto getAddrInfo = As<GetAddrInfoFn>(layer_->TryLookup(SocketLayer::fnGetAddrInfo))) {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int code = getAddrInfo(name.c_str(), nullptr, &hints, &found);
    if (code != 0 || !found) RaiseSocketError(code != 0 ? code : WSAHOST_NOT_FOUND);
    const int port = NetworkOrder(port_);
    std::memcpy(&destination, found->ai_addr, found->ai_addrlen);
    length = static_cast<int>(found->ai_addrlen);
    As<FreeAddrInfoFn>(layer_->Lookup(SocketLayer::fnFreeAddrInfo))(found);
    if (family == AF_INET) {
      reinterpret_cast<sockaddr_in&>(destination).sin_port = static_cast<u_short>(port);
    } else {
      reinterpret_cast<sockaddr_in6&>(destination).sin6_port = static_cast<u_short>(port);
    }
    return destination;
  }

  // Systems without getaddrinfo: the older host look-up, IPv4 only.
  hostent* entry = As<GetHostByNameFn>(layer_->Lookup(SocketLayer::fnGetHostByName))(name.c_str());
  if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list[0]) {
    RaiseSocketError(entry ? WSAHOST_NOT_FOUND : layer_->LastError());
  }
  auto& v4 = reinterpret_cast<sockaddr_in&>(destination);
  v4.sin_family = AF_INET;
  v4.sin_port = NetworkOrder(port_);
  std::memcpy(&v4.sin_addr, entry->h_addr_list[0], 4);
  length = sizeof v4;
  return destination;
}

void TIdUDPClient::SendText(const std::string& text) {
  const std::string bytes = ToSevenBitAscii(text);
  int length = 0;
  const sockaddr_storage destination = ResolveDestination(length);
  const int sent = As<SendToFn>(layer_->Lookup(SocketLayer::fnSendTo))(
      socket_, bytes.data(), static_cast<int>(bytes.size()), 0,
      reinterpret_cast<const sockaddr*>(&destination), length);
  if (sent == SOCKET_ERROR) {
    const int code = layer_->LastError();
    if (code == WSAEMSGSIZE) throw EIdPackageSizeTooBig();
    RaiseSocketError(code);
  }
  if (sent < static_cast<int>(bytes.size())) throw EIdNotAllBytesSent();
}

int TIdUDPClient::EffectiveTimeout(int requested) const {
  int timeout = requested;
  if (timeout == IdTimeoutDefault)
    timeout = receiveTimeout_ == 0 ? IdTimeoutInfinite : receiveTimeout_;
  return timeout < 0 ? -1 : timeout;
}

std::string TIdUDPClient::ReceiveText(int timeoutMilliseconds) {
  const int timeout = EffectiveTimeout(timeoutMilliseconds);
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket_, &readable);
  timeval limit{timeout / 1000, (timeout % 1000) * 1000};
  const int ready = CheckedCall(As<SelectFn>(layer_->Lookup(SocketLayer::fnSelect))(
      0, &readable, nullptr, nullptr, timeout < 0 ? nullptr : &limit));
  if (ready == 0) return {};

  std::vector<char> buffer(static_cast<std::size_t>(bufferSize_ > 0 ? bufferSize_ : 0));
  sockaddr_storage sender{};
  int senderLength = sizeof sender;
  const int received = CheckedCall(As<RecvFromFn>(layer_->Lookup(SocketLayer::fnRecvFrom))(
      socket_, buffer.data(), bufferSize_, 0, reinterpret_cast<sockaddr*>(&sender), &senderLength));
  if (sender.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(sender);
    peerIP_ = FormatIPv4(v4.sin_addr);
    peerPort_ = NetworkOrder(v4.sin_port);
  }
  return std::string(buffer.data(), static_cast<std::size_t>(received));
}

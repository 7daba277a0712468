#include "tests/support/RawUdpSocket.h"

#include <ws2tcpip.h>

namespace {

struct Session {
  Session() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
};

sockaddr_in Address(const std::string& address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = htons(port);
  result.sin_addr.s_addr = inet_addr(address.c_str());
  return result;
}

}  // namespace

RawUdpSocket::RawUdpSocket(const std::string& address, std::uint16_t port) {
  static Session session;
  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in local = Address(address, port);
  bound_ = bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
  int length = sizeof local;
  if (bound_ && getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) == 0)
    port_ = ntohs(local.sin_port);
}

RawUdpSocket::~RawUdpSocket() {
  closesocket(socket_);
}

void RawUdpSocket::SendTo(const std::string& bytes, const std::string& address,
                          std::uint16_t port) {
  sockaddr_in peer = Address(address, port);
  sendto(socket_, bytes.data(), static_cast<int>(bytes.size()), 0,
         reinterpret_cast<sockaddr*>(&peer), sizeof peer);
}

bool RawUdpSocket::Receive(std::string& bytes, int timeoutMilliseconds, std::uint16_t* senderPort) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket_, &readable);
  timeval limit{timeoutMilliseconds / 1000, (timeoutMilliseconds % 1000) * 1000};
  if (select(0, &readable, nullptr, nullptr, &limit) <= 0) return false;
  std::string buffer(65536, '\0');
  sockaddr_in sender{};
  int senderLength = sizeof sender;
  const int got = recvfrom(socket_, buffer.data(), static_cast<int>(buffer.size()), 0,
                           reinterpret_cast<sockaddr*>(&sender), &senderLength);
  if (got < 0) return false;
  bytes.assign(buffer.data(), static_cast<std::size_t>(got));
  if (senderPort) *senderPort = ntohs(sender.sin_port);
  return true;
}

bool UdpPortIsFree(std::uint16_t port) {
  RawUdpSocket probe("0.0.0.0", port);
  return probe.Bound();
}

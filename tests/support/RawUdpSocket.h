// A plain Windows Sockets datagram socket for tests: the peer of the client
// under test, free of the code being tested.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <string>

class RawUdpSocket {
 public:
  // Bound to `address`, port 0 meaning a system-chosen one.
  explicit RawUdpSocket(const std::string& address = "127.0.0.1", std::uint16_t port = 0);
  ~RawUdpSocket();
  RawUdpSocket(const RawUdpSocket&) = delete;
  RawUdpSocket& operator=(const RawUdpSocket&) = delete;

  bool Bound() const { return bound_; }
  std::uint16_t Port() const { return port_; }
  void SendTo(const std::string& bytes, const std::string& address, std::uint16_t port);
  // One datagram, or nothing after `timeoutMilliseconds`.
  bool Receive(std::string& bytes, int timeoutMilliseconds, std::uint16_t* senderPort = nullptr);

 private:
  SOCKET socket_ = INVALID_SOCKET;
  bool bound_ = false;
  std::uint16_t port_ = 0;
};

// Whether a datagram socket can be bound to this local port right now: true
// once whoever held it has closed it.
bool UdpPortIsFree(std::uint16_t port);

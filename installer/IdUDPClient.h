// The small UDP client through which the installer asks the Brisole server:
// one text request to Host:Port, one datagram back within a time-out.
#pragma once

#include <cstdint>
#include <string>

#include "installer/SocketLayer.h"

enum class TIdIPVersion { Id_IPv4, Id_IPv6 };

// Time-out sentinels of ReceiveText, in milliseconds.
inline constexpr int IdTimeoutDefault = -1;   // use ReceiveTimeout
inline constexpr int IdTimeoutInfinite = -2;  // wait without limit

class TIdUDPClient {
 public:
  static constexpr int kDefaultBufferSize = 8192;

  TIdUDPClient() = default;  // takes a reference on the socket layer
  ~TIdUDPClient();           // closes the socket, then releases the reference
  TIdUDPClient(const TIdUDPClient&) = delete;
  TIdUDPClient& operator=(const TIdUDPClient&) = delete;

  const std::string& Host() const { return host_; }
  void SetHost(std::string host) { host_ = std::move(host); }
  std::uint16_t Port() const { return port_; }
  void SetPort(std::uint16_t port) { port_ = port; }
  TIdIPVersion IPVersion() const { return ipVersion_; }
  void SetIPVersion(TIdIPVersion version) { ipVersion_ = version; }
  bool BroadcastEnabled() const { return broadcastEnabled_; }
  void SetBroadcastEnabled(bool enabled) { broadcastEnabled_ = enabled; }
  int BufferSize() const { return bufferSize_; }
  void SetBufferSize(int size) { bufferSize_ = size; }
  int ReceiveTimeout() const { return receiveTimeout_; }
  void SetReceiveTimeout(int milliseconds) { receiveTimeout_ = milliseconds; }

  bool Active() const { return socket_ != INVALID_SOCKET; }
  // true opens a datagram socket bound to any local address and a
  // system-chosen port (with the broadcast permission when enabled); false
  // closes it. Setting the current value does nothing.
  void SetActive(bool active);

  // Sends the text as one datagram to Host:Port, characters above 127 as "?".
  void SendText(const std::string& text);
  // One datagram's bytes unchanged, or empty when none arrives in time.
  std::string ReceiveText(int timeoutMilliseconds = IdTimeoutDefault);

  // The local port of the open socket, and the sender of the last datagram.
  std::uint16_t LocalPort() const;
  const std::string& PeerIP() const { return peerIP_; }
  std::uint16_t PeerPort() const { return peerPort_; }

 private:
  void Open();
  void Close() noexcept;
  [[noreturn]] void RaiseSocketError(int code) const;
  int CheckedCall(int result) const;
  // The destination as a socket address; raises the resolver's error.
  sockaddr_storage ResolveDestination(int& length) const;
  // Milliseconds to wait, or -1 for no limit.
  int EffectiveTimeout(int requested) const;

  SocketLayerReference layer_;
  std::string host_;
  std::uint16_t port_ = 0;
  TIdIPVersion ipVersion_ = TIdIPVersion::Id_IPv4;
  bool broadcastEnabled_ = false;
  int bufferSize_ = kDefaultBufferSize;
  int receiveTimeout_ = IdTimeoutInfinite;
  SOCKET socket_ = INVALID_SOCKET;
  std::string peerIP_;
  std::uint16_t peerPort_ = 0;
};

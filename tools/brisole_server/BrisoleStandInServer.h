// A stand-in for the Brisole server: answers the installer's two datagram
// requests from fixed settings, and can misbehave on purpose so every outcome
// of the exchange can be seen (silence, a wrong keyword, an oversize reply).
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct StandInSettings {
  std::string bindAddress = "127.0.0.1";
  std::uint16_t port = 1001;
  // The whole reply datagram for each request; nullopt stays silent.
  std::optional<std::string> databaseReply;
  std::optional<std::string> shareReply;
  // Stop after answering (or ignoring) this many requests; -1 serves on.
  int requestLimit = -1;
  // How long to keep trying while another program holds the port.
  int bindWaitMilliseconds = 0;
};

// Replies built from the server's data, in the wire format.
std::string DatabaseReplyFor(const std::string& alias, const std::string& connectionString);
std::string ShareReplyFor(const std::string& share);
std::string RefusalReplyFor(const std::string& reason);

struct ReceivedRequest {
  std::string text;
  std::string senderAddress;
  std::uint16_t senderPort = 0;
};

class BrisoleStandInServer {
 public:
  // Binds the socket, waiting up to `bindWaitMilliseconds` for a port held by
  // another program; raises std::runtime_error with the socket error code
  // when the address cannot be bound.
  explicit BrisoleStandInServer(StandInSettings settings);
  ~BrisoleStandInServer();
  BrisoleStandInServer(const BrisoleStandInServer&) = delete;
  BrisoleStandInServer& operator=(const BrisoleStandInServer&) = delete;

  // Serves until Stop() or the request limit; `onRequest` sees each request
  // and the reply sent (empty when silent).
  void Serve(
      const std::function<void(const ReceivedRequest&, const std::string& reply)>& onRequest = {});
  void Stop() { stopping_ = true; }

  std::vector<ReceivedRequest> Requests() const;

 private:
  std::optional<std::string> ReplyTo(const std::string& request) const;

  StandInSettings settings_;
  SOCKET socket_ = INVALID_SOCKET;
  std::atomic<bool> stopping_{false};
  mutable std::mutex lock_;
  std::vector<ReceivedRequest> requests_;
};

#include "tools/brisole_server/BrisoleStandInServer.h"

#include <ws2tcpip.h>

#include <stdexcept>

#include "installer/BrisoleWire.h"

namespace {

class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockSession() { WSACleanup(); }
};

}  // namespace

std::string DatabaseReplyFor(const std::string& alias, const std::string& connectionString) {
  return std::string(brisole::kDatabaseReply) + brisole::kKeywordSeparator + alias +
         brisole::kAliasSeparator + connectionString;
}

std::string ShareReplyFor(const std::string& share) {
  return std::string(brisole::kShareReply) + brisole::kKeywordSeparator + share;
}

std::string RefusalReplyFor(const std::string& reason) {
  return ShareReplyFor(std::string(1, brisole::kShareRefusalMark) + reason);
}

BrisoleStandInServer::BrisoleStandInServer(StandInSettings settings)
    : settings_(std::move(settings)) {
  static WinsockSession session;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(settings_.port);
  local.sin_addr.s_addr = inet_addr(settings_.bindAddress.c_str());
  int code = 0;
  for (int waited = 0;; waited += 100) {
    socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket_ != INVALID_SOCKET &&
        bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != SOCKET_ERROR) {
      return;
    }
    code = WSAGetLastError();
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
    if (code != WSAEADDRINUSE || waited >= settings_.bindWaitMilliseconds) break;
    Sleep(100);
  }
  throw std::runtime_error("cannot bind " + settings_.bindAddress + ":" +
                           std::to_string(settings_.port) + " (socket error " +
                           std::to_string(code) + ")");
}

BrisoleStandInServer::~BrisoleStandInServer() {
  closesocket(socket_);
}

std::optional<std::string> BrisoleStandInServer::ReplyTo(const std::string& request) const {
  if (request == brisole::kDatabaseRequest) return settings_.databaseReply;
  if (request == brisole::kShareRequest) return settings_.shareReply;
  return std::nullopt;
}

void BrisoleStandInServer::Serve(
    const std::function<void(const ReceivedRequest&, const std::string& reply)>& onRequest) {
  std::string buffer(65536, '\0');
  int served = 0;
  while (!stopping_ && (settings_.requestLimit < 0 || served < settings_.requestLimit)) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval tick{0, 50 * 1000};
    if (select(0, &readable, nullptr, nullptr, &tick) <= 0) continue;

    sockaddr_in sender{};
    int senderLength = sizeof sender;
    const int length = recvfrom(socket_, buffer.data(), static_cast<int>(buffer.size()), 0,
                                reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (length < 0) continue;
    ReceivedRequest request{buffer.substr(0, static_cast<std::size_t>(length)),
                            inet_ntoa(sender.sin_addr), ntohs(sender.sin_port)};
    {
      std::lock_guard<std::mutex> hold(lock_);
      requests_.push_back(request);
    }

    const std::optional<std::string> reply = ReplyTo(request.text);
    if (reply) {
      sendto(socket_, reply->data(), static_cast<int>(reply->size()), 0,
             reinterpret_cast<sockaddr*>(&sender), senderLength);
    }
    ++served;
    if (onRequest) onRequest(request, reply.value_or(std::string()));
  }
}

std::vector<ReceivedRequest> BrisoleStandInServer::Requests() const {
  std::lock_guard<std::mutex> hold(lock_);
  return requests_;
}

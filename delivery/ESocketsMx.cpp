#include <chrono>
#include <optional>
#include <span>

#include "delivery/ESockets.h"
#include "delivery/ESocketsDns.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr int kTriesPerServer = 3;

// The wait of try `attempt` (0, 1, 2): a third of the whole time-out and
// a little more at each try.
unsigned TryWaitMs(unsigned timeoutMs, int attempt) {
  return (timeoutMs + 150) / 3 + 100 * static_cast<unsigned>(attempt);
}

// One try: the query, then the replies until one answers it or the try's
// wait has passed. Replies to other queries are skipped; an answer ends the
// try with the host it names, or with none (an error answer, no MX
// record, a damaged one). A failed send or receive is a lost try.
std::optional<std::string> AskNameServer(TDovaroClientSocket& socket, const std::string& query,
                                         std::string_view domain) {
  try {
    if (socket.SendChunked(query) != query.size()) return std::nullopt;
    const auto deadline = TClock::now() + std::chrono::milliseconds(socket.TimeoutMs());
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
      if (left.count() <= 0) return std::nullopt;
      socket.SetTimeoutMs(static_cast<unsigned>(left.count()));
      const std::string reply = socket.ReceiveWithin();
      if (reply.empty()) return std::nullopt;
      const std::span bytes(reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size());
      if (AnswersMxQuery(bytes, domain)) return MxAnswerHost(bytes, domain);
    }
  } catch (const EDovaroSocketError&) {
    return std::nullopt;
  }
}

}  // namespace

std::string FindMailExchanger(std::string_view address, unsigned timeoutMs,
                              const std::vector<std::string>& nameServers, unsigned short port) {
  const std::string domain = MailDomain(address);
  const std::vector<std::uint8_t> datagram = MxQuery(domain);
  const std::string query(datagram.begin(), datagram.end());
  const std::vector<std::string> servers = nameServers.empty() ? ListNameServers() : nameServers;
  for (const std::string& server : servers) {
    for (int attempt = 0; attempt < kTriesPerServer; ++attempt) {
      TDovaroClientSocket socket(server, TryWaitMs(timeoutMs, attempt), false, port);
      socket.Connect();  // a server that cannot be opened ends the look-up
      if (auto host = AskNameServer(socket, query, domain)) return *host;
    }
  }
  throw EDovaroSocketError("Cannot resolve the \"" + domain + "\" MX record.");
}

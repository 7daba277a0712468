// The stand-in Brisole server on a thread of the test, on 127.0.0.1 port
// 1001: the installer always asks port 1001. Wine binds a datagram socket on
// a loopback address to every address of the loopback device, so only one
// server can run on the machine at a time; a server whose port is taken by
// another test program waits for it (and ctest runs such programs one at a
// time through a resource lock).
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "tools/brisole_server/BrisoleStandInServer.h"

class LoopbackServer {
 public:
  explicit LoopbackServer(StandInSettings settings);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  const std::string& Address() const { return address_; }
  std::vector<ReceivedRequest> Requests() const { return server_.Requests(); }

 private:
  static StandInSettings OnLoopback(StandInSettings settings);

  std::string address_;
  BrisoleStandInServer server_;
  std::thread thread_;
};

// The settings of a well-behaved server answering with these values.
StandInSettings AnsweringServer(const std::string& alias, const std::string& connection,
                                const std::string& share);

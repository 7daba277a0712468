#include "tests/support/LoopbackServer.h"

StandInSettings LoopbackServer::OnLoopback(StandInSettings settings) {
  settings.bindAddress = "127.0.0.1";
  settings.port = 1001;
  settings.bindWaitMilliseconds = 180000;
  return settings;
}

LoopbackServer::LoopbackServer(StandInSettings settings)
    : address_("127.0.0.1"),
      server_(OnLoopback(std::move(settings))),
      thread_([this] { server_.Serve(); }) {}

LoopbackServer::~LoopbackServer() {
  server_.Stop();
  thread_.join();
}

StandInSettings AnsweringServer(const std::string& alias, const std::string& connection,
                                const std::string& share) {
  StandInSettings settings;
  settings.databaseReply = DatabaseReplyFor(alias, connection);
  settings.shareReply = ShareReplyFor(share);
  return settings;
}

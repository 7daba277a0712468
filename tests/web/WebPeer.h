// What the web tests need of their loopback peers: the ports and folders the
// driver put into the environment, and the peers' decoded view of a request
// (their echo lines, in the response body or in their journal).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The port in `variable`; 0 when the program runs without its driver.
unsigned PeerPort(const char* variable);
// A folder or file the driver named (a Windows path), empty without one.
std::string PeerPath(const char* variable);

#define REQUIRE_PEER(variable) \
  if (PeerPort(variable) == 0) \
  GTEST_SKIP() << variable " is not set: run through tests/web/run_web_tests.py"

// "http://127.0.0.1:<port>/" and the like.
std::string PeerAddress(const char* scheme, const char* host, unsigned port,
                        std::string_view path = {});

struct TPeerFile {
  std::string Name, FileName;
  std::size_t Size = 0;
  std::string Bytes;  // empty for big files (the peer sends a digest)
};

// A request as the peer decoded it with Python's urllib.parse and email.
struct TPeerEcho {
  std::string Method, Path, Kind, Auth;
  std::vector<std::pair<std::string, std::string>> Fields;
  std::vector<TPeerFile> Files;
};
TPeerEcho ParsePeerEcho(std::string_view lines);

// The journal entries of a peer ("http", "http2", "https", "proxy"), oldest
// first.
std::vector<std::string> PeerJournal(const char* peer);

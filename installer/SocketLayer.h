// The process-wide Windows Sockets 2 layer behind every datagram client.
//
// "WS2_32.DLL" is loaded at run time (critical-error dialogs suppressed) and
// started for version 2.2 when the first client takes a reference; the last
// reference stops and unloads it. Creation, destruction and the count are
// guarded by one process-wide lock. Each function of the library is looked up
// the first time it is called.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <array>
#include <memory>
#include <string>

class SocketLayer {
 public:
  enum Function {
    fnSocket,
    fnCloseSocket,
    fnSetSockOpt,
    fnBind,
    fnSendTo,
    fnRecvFrom,
    fnSelect,
    fnWSAGetLastError,
    fnGetAddrInfo,
    fnFreeAddrInfo,
    fnGetHostByName,
    fnGetSockName,
    fnCount
  };

  // The function from the sockets library; raises EIdWinsockStubError
  // ("Error on call to Winsock2 library function %s") when it is missing.
  void* Lookup(Function function);
  // Like Lookup, but an absent function gives nullptr.
  void* TryLookup(Function function);

  int LastError();

  // The number of client references held right now (for diagnostics).
  static int ReferenceCount();

 private:
  friend class SocketLayerReference;
  friend struct std::default_delete<SocketLayer>;
  SocketLayer();
  ~SocketLayer();
  SocketLayer(const SocketLayer&) = delete;
  SocketLayer& operator=(const SocketLayer&) = delete;

  HMODULE library_ = nullptr;
  HMODULE ipv6Helper_ = nullptr;  // "Wship6.dll": address look-up on old systems
  HMODULE idnLibraries_[2] = {};  // "Normaliz.dll", "IdnDL.dll" when present
  std::array<void*, fnCount> functions_{};
  std::array<bool, fnCount> looked_{};
};

// One reference on the socket layer, held by each datagram client.
class SocketLayerReference {
 public:
  SocketLayerReference();
  ~SocketLayerReference();
  SocketLayerReference(const SocketLayerReference&) = delete;
  SocketLayerReference& operator=(const SocketLayerReference&) = delete;

  SocketLayer& operator*() const { return *layer_; }
  SocketLayer* operator->() const { return layer_; }

 private:
  SocketLayer* layer_;
};

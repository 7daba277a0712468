#include "installer/SocketLayer.h"

#include <memory>
#include <mutex>

#include "installer/IdExceptions.h"
#include "platform/runtime/SystemErrors.h"

namespace {

constexpr const char* kLibraryName = "WS2_32.DLL";

constexpr std::array<const char*, SocketLayer::fnCount> kFunctionNames{
    "socket", "closesocket",     "setsockopt",  "bind",         "sendto",        "recvfrom",
    "select", "WSAGetLastError", "getaddrinfo", "freeaddrinfo", "gethostbyname", "getsockname",
};

// Name look-up functions that older systems keep in "Wship6.dll".
bool IsAddressLookup(SocketLayer::Function function) {
  return function == SocketLayer::fnGetAddrInfo || function == SocketLayer::fnFreeAddrInfo;
}

std::mutex& LayerLock() {
  static std::mutex lock;
  return lock;
}
std::unique_ptr<SocketLayer> instance;
int references = 0;

HMODULE LoadQuietly(const char* name) {
  const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(name);
  SetErrorMode(previous);
  return module;
}

[[noreturn]] void RaiseLoadFailure(DWORD code) {
  throw EIdWinsockStubError(std::string("Error on loading Winsock2 library (") + kLibraryName +
                            "): " + SysErrorMessage(code));
}

}  // namespace

SocketLayer::SocketLayer() {
  library_ = LoadQuietly(kLibraryName);
  if (!library_) RaiseLoadFailure(GetLastError());
  using StartupFn = int(WINAPI*)(WORD, WSADATA*);
  auto startup =
      reinterpret_cast<StartupFn>(reinterpret_cast<void*>(GetProcAddress(library_, "WSAStartup")));
  WSADATA data{};
  const int code =
      startup ? startup(MAKEWORD(2, 2), &data) : static_cast<int>(ERROR_PROC_NOT_FOUND);
  if (code != 0) {
    FreeLibrary(library_);
    RaiseLoadFailure(static_cast<DWORD>(code));
  }
  idnLibraries_[0] = LoadQuietly("Normaliz.dll");
  idnLibraries_[1] = LoadQuietly("IdnDL.dll");
}

SocketLayer::~SocketLayer() {
  using CleanupFn = int(WINAPI*)();
  if (auto cleanup = reinterpret_cast<CleanupFn>(
          reinterpret_cast<void*>(GetProcAddress(library_, "WSACleanup")))) {
    cleanup();
  }
  for (HMODULE module : idnLibraries_) {
    if (module) FreeLibrary(module);
  }
  if (ipv6Helper_) FreeLibrary(ipv6Helper_);
  FreeLibrary(library_);
}

void* SocketLayer::TryLookup(Function function) {
  if (!looked_[function]) {
    void* address = reinterpret_cast<void*>(GetProcAddress(library_, kFunctionNames[function]));
    if (!address && IsAddressLookup(function)) {
      if (!ipv6Helper_) ipv6Helper_ = LoadQuietly("Wship6.dll");
      if (ipv6Helper_)
        address = reinterpret_cast<void*>(GetProcAddress(ipv6Helper_, kFunctionNames[function]));
    }
    functions_[function] = address;
    looked_[function] = true;
  }
  return functions_[function];
}

void* SocketLayer::Lookup(Function function) {
  if (void* address = TryLookup(function)) return address;
  throw EIdWinsockStubError(std::string("Error on call to Winsock2 library function ") +
                            kFunctionNames[function]);
}

int SocketLayer::LastError() {
  using LastErrorFn = int(WINAPI*)();
  return reinterpret_cast<LastErrorFn>(Lookup(fnWSAGetLastError))();
}

int SocketLayer::ReferenceCount() {
  std::lock_guard<std::mutex> hold(LayerLock());
  return references;
}

SocketLayerReference::SocketLayerReference() {
  std::lock_guard<std::mutex> hold(LayerLock());
  if (!instance) instance.reset(new SocketLayer());
  ++references;
  layer_ = instance.get();
}

SocketLayerReference::~SocketLayerReference() {
  std::lock_guard<std::mutex> hold(LayerLock());
  if (--references == 0) {
    instance.reset();
  }
}

#include "delivery/EWinSock.h"

#include <winsock2.h>

#include <array>
#include <atomic>

#include "delivery/ESocketsErrors.h"
#include "platform/runtime/SystemErrors.h"

namespace {

constexpr WORD kVersion11 = MAKEWORD(1, 1);
constexpr int kLongestHostName = 250;

// Loaded at the first look-up and kept for the life of the process: other
// threads may still hold functions taken from them.
struct TWinSockLibraries {
  HMODULE WSock32 = LoadLibraryA("wsock32.dll");
  HMODULE Ws2_32 = LoadLibraryA("ws2_32.dll");
  HMODULE MsWSock = LoadLibraryA("mswsock.dll");

  HMODULE Chosen() const {
    if (Ws2_32) return Ws2_32;
    if (WSock32) return WSock32;
    return MsWSock;
  }
};

const TWinSockLibraries& Libraries() {
  static const TWinSockLibraries libraries;
  return libraries;
}

std::atomic<bool> started{false};

}  // namespace

TWinSockProcedure WinSockProcedure(const char* name) {
  const HMODULE library = Libraries().Chosen();
  const auto procedure =
      library ? reinterpret_cast<TWinSockProcedure>(GetProcAddress(library, name)) : nullptr;
  if (!procedure) throw EDovaroFuncNotFoundError(FuncNotFoundText(name));
  return procedure;
}

void StartSockets() {
  if (started) return;
  using TStartup = int(WINAPI*)(WORD, LPWSADATA);
  WSADATA data{};
  const int result = WinSockFunction<TStartup>("WSAStartup")(kVersion11, &data);
  if (result != 0) {
    throw EDovaroWinSockError("Cannot start WinSock: \"" + WinSockErrorText(result) + "\".");
  }
  started = true;
}

void EndSockets() {
  if (!started) return;
  started = false;
  using TCleanup = int(WINAPI*)();
  if (WinSockFunction<TCleanup>("WSACleanup")() != 0) {
    throw EDovaroWinSockError("Cannot end WinSock: \"" + LastWinSockErrorText() + "\".");
  }
}

bool SocketsStarted() {
  return started;
}

std::string WinSockErrorText(int code) {
  std::string text = SysErrorMessage(static_cast<unsigned long>(code));
  return text.empty() ? "error " + std::to_string(code) : text;
}

std::string LastWinSockErrorText() {
  using TGetLastError = int(WINAPI*)();
  return WinSockErrorText(WinSockFunction<TGetLastError>("WSAGetLastError")());
}

std::string LocalHostName() {
  using TGetHostName = int(WINAPI*)(char*, int);
  std::array<char, kLongestHostName + 1> name{};
  if (WinSockFunction<TGetHostName>("gethostname")(name.data(), kLongestHostName) != 0) return {};
  return name.data();
}

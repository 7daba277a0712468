#include <winsock2.h>
#include <iphlpapi.h>

#include <memory>

#include "delivery/ESockets.h"
#include "platform/runtime/TextTrim.h"

namespace {

struct TLibraryRelease {
  void operator()(HMODULE library) const { FreeLibrary(library); }
};
using TLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, TLibraryRelease>;

using TGetNetworkParams = DWORD(WINAPI*)(PFIXED_INFO, PULONG);

// The name servers of the computer's network parameters, in their order.
std::vector<std::string> ConfiguredNameServers() {
  const TLibrary library(LoadLibraryA("IPHLPAPI.DLL"));
  if (!library) return {};
  const auto getNetworkParams = reinterpret_cast<TGetNetworkParams>(
      reinterpret_cast<void (*)()>(GetProcAddress(library.get(), "GetNetworkParams")));
  if (!getNetworkParams) return {};
  ULONG size = 0;
  if (getNetworkParams(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return {};
  // The list's entries live in the same buffer, after the record.
  std::vector<std::uint64_t> buffer(size / sizeof(std::uint64_t) + 1);
  auto* info = reinterpret_cast<FIXED_INFO*>(buffer.data());
  if (getNetworkParams(info, &size) != ERROR_SUCCESS) return {};
  std::vector<std::string> servers;
  for (const IP_ADDR_STRING* entry = &info->DnsServerList; entry; entry = entry->Next) {
    const std::string address(TrimBlanks(entry->IpAddress.String));
    if (!address.empty() && address != "0.0.0.0") servers.push_back(address);
  }
  return servers;
}

}  // namespace

std::vector<std::string> ListNameServers() {
  std::vector<std::string> servers = ConfiguredNameServers();
  servers.emplace_back(kFallbackNameServer);
  return servers;
}

// The collector of the network adapters: IP Helper, loaded for the purpose.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <vector>

#include "report/ESysInfoWin32.h"

namespace {

constexpr const char* kIpHelper = "iphlpapi.dll";

using TAdaptersInfo = decltype(&GetAdaptersInfo);
using TPerAdapterInfo = decltype(&GetPerAdapterInfo);

// The adapter's name servers: asked for only when the size query says the
// buffer is too small.
void ReadDnsServers(TPerAdapterInfo perAdapter, ULONG index, TAdapterFacts& facts) {
  ULONG size = 0;
  if (perAdapter(index, nullptr, &size) != ERROR_BUFFER_OVERFLOW) return;
  std::vector<BYTE> buffer(size);
  auto* info = reinterpret_cast<IP_PER_ADAPTER_INFO*>(buffer.data());
  if (size < sizeof(IP_PER_ADAPTER_INFO) || perAdapter(index, info, &size) != NO_ERROR) {
    facts.Dns = TAdapterFacts::dnsFailed;
    return;
  }
  facts.Dns = TAdapterFacts::dnsRead;
  for (const IP_ADDR_STRING* server = &info->DnsServerList; server && facts.DnsServers.size() < 2;
       server = server->Next) {
    facts.DnsServers.emplace_back(server->IpAddress.String);
  }
}

}  // namespace

std::vector<TAdapterFacts> AdapterFacts(const TSystemFunctionLookup& lookup) {
  const TLibraryUse ipHelper(kIpHelper);
  const auto adaptersInfo = LookUp<TAdaptersInfo>(lookup, kIpHelper, "GetAdaptersInfo");
  const auto perAdapter = LookUp<TPerAdapterInfo>(lookup, kIpHelper, "GetPerAdapterInfo");
  std::vector<TAdapterFacts> adapters;
  if (!adaptersInfo || !perAdapter) return adapters;
  ULONG size = 0;
  if (adaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return adapters;
  std::vector<BYTE> buffer(size);
  auto* list = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (size < sizeof(IP_ADAPTER_INFO) || adaptersInfo(list, &size) != NO_ERROR) return adapters;
  for (const IP_ADAPTER_INFO* adapter = list; adapter; adapter = adapter->Next) {
    TAdapterFacts facts;
    facts.Address = adapter->IpAddressList.IpAddress.String;
    facts.Mask = adapter->IpAddressList.IpMask.String;
    facts.Gateway = adapter->GatewayList.IpAddress.String;
    facts.Dhcp = adapter->DhcpEnabled == 1;
    ReadDnsServers(perAdapter, adapter->Index, facts);
    adapters.push_back(std::move(facts));
  }
  return adapters;
}

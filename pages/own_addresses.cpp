// Winsock and the IP helper before windows.h, which would bring the old socket header.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include "pages/own_addresses.h"

#include <cstdint>
#include <optional>

namespace ploxen {

std::vector<IpAddress> ThisComputerAddresses() {
  std::vector<IpAddress> addresses;
  constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  // The list may grow between the call that sizes it and the one that fills it.
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = GetAdaptersAddresses(AF_UNSPEC, kFlags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                  &size);
  }
  if (result != NO_ERROR) return addresses;
  for (const IP_ADAPTER_ADDRESSES* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter;
       adapter = adapter->Next) {
    for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
      const sockaddr* address = unicast->Address.lpSockaddr;
      std::optional<IpAddress> ip;
      if (address && address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        ip = IpAddress::FromBytes(IpAddress::Family::kV4, reinterpret_cast<const std::uint8_t*>(&v4->sin_addr), 4);
      } else if (address && address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        ip = IpAddress::FromBytes(IpAddress::Family::kV6, reinterpret_cast<const std::uint8_t*>(&v6->sin6_addr), 16);
      }
      if (ip) addresses.push_back(*ip);
    }
  }
  return addresses;
}

}  // namespace ploxen

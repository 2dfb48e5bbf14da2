// Winsock and the IP helper before windows.h, which would bring the old socket header.
#define _WINSOCK_DEPRECATED_NO_WARNINGS  // gethostbyname: its official name is wanted
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include "fw/platform.h"

#include <optional>

namespace fw {

using ploxen::IpAddress;

double SteadyMs() {
  static const double perMs = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / perMs;
}

std::int64_t SteadyWholeMs() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency.QuadPart * 1000 + now.QuadPart % frequency.QuadPart * 1000 / frequency.QuadPart;
}

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string DnsHostName() {
  char name[256] = {};
  DWORD size = sizeof name;
  if (GetComputerNameExA(ComputerNameDnsHostname, name, &size) && name[0]) return name;
  return ComputerName();
}

std::string UserName() {
  char name[257] = {};
  DWORD size = sizeof name;
  return GetUserNameA(name, &size) ? std::string(name) : std::string();
}

Winsock::Winsock() {
  WSADATA data{};
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

Winsock::~Winsock() {
  if (started_) WSACleanup();
}

HostLookup LookUpThisHost() {
  HostLookup found;
  const Winsock winsock;
  if (!winsock.Started()) return found;
  char local[256] = {};
  if (gethostname(local, 255) != 0) return found;
  const hostent* host = gethostbyname(local);
  if (!host) return found;
  if (host->h_name) found.officialName = host->h_name;
  for (char** entry = host->h_addr_list; entry && *entry; ++entry) {
    std::string text;
    for (int i = 0; i < host->h_length; ++i) {
      if (i) text += '.';
      text += std::to_string(static_cast<unsigned char>((*entry)[i]));
    }
    found.addresses += text + "\r\n";
  }
  return found;
}

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

}  // namespace fw

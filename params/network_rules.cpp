#include "params/network_rules.h"

#include <algorithm>
#include <cstdint>

#include "net/network_settings.h"

namespace ploxen {

namespace {

std::optional<std::string> Named(const char* field, std::optional<std::string> refusal) {
  if (!refusal) return std::nullopt;
  return std::string(field) + ": " + *refusal;
}

bool Blank(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size() || a.empty()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// An IPv4 address in IPv6 clothes (::ffff:a.b.c.d) as the IPv4 address it is.
IpAddress Plain(const IpAddress& address) {
  static constexpr std::uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  if (address.family != IpAddress::Family::kV6 || !std::equal(kMapped, kMapped + 12, address.bytes.begin()))
    return address;
  return IpAddress::V4(address.bytes[12], address.bytes[13], address.bytes[14], address.bytes[15]);
}

bool SameAddress(const IpAddress& a, const IpAddress& b) {
  const IpAddress x = Plain(a), y = Plain(b);
  return x.family == y.family && x.bytes == y.bytes;
}

bool ThisComputer(std::string_view host, std::string_view thisComputer, const std::vector<IpAddress>& ownAddresses) {
  if (SameName(host, "localhost") || SameName(host, thisComputer)) return true;
  // The first label of a full name is enough: "pc07.example.com" is pc07.
  const std::size_t dot = host.find('.');
  if (dot != std::string_view::npos && !ParseIpAddress(host) && SameName(host.substr(0, dot), thisComputer))
    return true;
  const std::optional<IpAddress> address = ParseIpAddress(host);
  if (!address) return false;
  // 0.0.0.0 and :: reach this computer where a connection to them is made.
  if (SameAddress(*address, IpAddress{}) || SameAddress(*address, IpAddress{IpAddress::Family::kV6, {}})) return true;
  if (SenderList{}.Allows(*address)) return true;  // the empty list is loopback
  return std::any_of(ownAddresses.begin(), ownAddresses.end(),
                     [&](const IpAddress& own) { return SameAddress(*address, own); });
}

}  // namespace

std::optional<std::string> RemotePortRefusal(std::string_view text) {
  return Named("Port f\xFCr Fernmeldungen", PortRefusal(text));
}

std::optional<std::string> SyslogPortRefusal(std::string_view text) {
  return Named("Port f\xFCr Syslog", PortRefusal(text));
}

std::optional<std::string> ForwardTargetRefusal(std::string_view text, bool forwarding) {
  if (!forwarding && Blank(text)) return std::nullopt;
  return TargetRefusal(text);
}

std::optional<std::string> ForwardLoopRefusal(std::string_view text, bool syslogOn, int syslogPort,
                                              std::string_view thisComputer,
                                              const std::vector<IpAddress>& ownAddresses) {
  const std::optional<NetworkTarget> target = ParseNetworkTarget(text);
  if (!syslogOn || !target || target->port != syslogPort || !ThisComputer(target->host, thisComputer, ownAddresses))
    return std::nullopt;
  return "Das Ziel \"" + std::string(text) +
         "\" ist der eigene Syslog-Empfang dieses PLOXEN: jede Zeile k\xE4me zur\xFC" "ck und w\xFCrde wieder "
         "weitergeleitet, ohne Ende. Bitte einen anderen Syslog-Server oder einen anderen Port angeben.";
}

}  // namespace ploxen

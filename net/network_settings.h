// The rules of the network settings (the record NetworkSettings, section
// NETZ): the forwarding's target and what the page "Netzwerk" refuses.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "storage/settings.h"

namespace ploxen {

// The page's limits; the record and its keys are storage/settings.h's.
constexpr std::size_t kTargetMaxChars = 260;
constexpr std::size_t kSendersMaxChars = 1000;

struct NetworkTarget {
  std::string host;  // a name, an IPv4 address, or an IPv6 address without brackets
  int port = 0;
};

// "host:port", "1.2.3.4:port" or "[v6]:port"; none when malformed.
std::optional<NetworkTarget> ParseNetworkTarget(std::string_view text);

// The page's refusals; none when the text is accepted.
std::optional<std::string> PortRefusal(std::string_view text);
std::optional<std::string> SendersRefusal(std::string_view text);
std::optional<std::string> TargetRefusal(std::string_view text);
std::optional<std::string> ProtocolRefusal(std::string_view text);

}  // namespace ploxen

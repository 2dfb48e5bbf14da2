#include "net/network_settings.h"

#include <cstdint>

#include "core/field_rules.h"
#include "net/sender_list.h"

namespace ploxen {

namespace {

const NumberRule kPortRule = NumberRule::Unsigned(1, 65535);

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A DNS name: labels of letters, digits and hyphens, no hyphen at a label's ends.
bool IsHostName(std::string_view host) {
  if (host.empty() || host.size() > 253) return false;
  std::size_t label = 0;
  for (std::size_t i = 0; i <= host.size(); ++i) {
    if (i == host.size() || host[i] == '.') {
      if (label == 0 || label > 63 || host[i - 1] == '-' || host[i - label] == '-') return false;
      label = 0;
      continue;
    }
    const char c = host[i];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    if (!ok) return false;
    ++label;
  }
  return true;
}

}  // namespace

std::optional<NetworkTarget> ParseNetworkTarget(std::string_view text) {
  text = Trimmed(text);
  std::string_view host;
  std::string_view port;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || text.substr(close + 1, 1) != ":") return std::nullopt;
    host = text.substr(1, close - 1);
    port = text.substr(close + 2);
    const auto address = ParseIpAddress(host);
    if (!address || address->family != IpAddress::Family::kV6) return std::nullopt;
  } else {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    // An IPv6 address needs its brackets, or its last group would be the port.
    if (host.find(':') != std::string_view::npos) return std::nullopt;
    if (!ParseIpAddress(host) && !IsHostName(host)) return std::nullopt;
  }
  std::int64_t value = 0;
  if (port.empty() || port.front() < '0' || port.front() > '9' || ReadNumber(port, kPortRule, value) != NumberCheck::kOk)
    return std::nullopt;
  return NetworkTarget{std::string(host), static_cast<int>(value)};
}

std::optional<std::string> PortRefusal(std::string_view text) {
  std::int64_t value = 0;
  const NumberCheck check = ReadNumber(text, kPortRule, value);
  if (check == NumberCheck::kOk) return std::nullopt;
  return NumberRefusal(check, kPortRule);
}

std::optional<std::string> SendersRefusal(std::string_view text) {
  if (text.size() > kSendersMaxChars) return LengthRefusal(kSendersMaxChars);
  auto parsed = SenderList::Parse(text);
  if (parsed.list) return std::nullopt;
  return parsed.refusal;
}

std::optional<std::string> TargetRefusal(std::string_view text) {
  if (text.size() > kTargetMaxChars) return LengthRefusal(kTargetMaxChars);
  if (ParseNetworkTarget(text)) return std::nullopt;
  return "Das Ziel \"" + std::string(Trimmed(text).substr(0, 60)) +
         "\" ist ung\xFCltig. Bitte Rechner und Port angeben, etwa loghost:514, 192.168.1.5:514 "
         "oder [::1]:514 (Port 1 bis 65535).";
}

std::optional<std::string> ProtocolRefusal(std::string_view text) {
  if (ProtocolName(text)) return std::nullopt;
  return std::string("Bitte TCP oder UDP eingeben.");
}

}  // namespace ploxen

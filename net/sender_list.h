// The senders allowed to send lines ("ABSENDER"): blank-separated addresses
// and subnets, IPv4 and IPv6, "*" for any; empty means this computer only.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ploxen {

struct IpAddress {
  enum class Family { kV4, kV6 };
  Family family = Family::kV4;
  std::array<std::uint8_t, 16> bytes{};  // network order; IPv4 uses the first 4

  static IpAddress V4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
  // IPv4 given as a socket gives it: 4 bytes, or 16 for IPv6.
  static std::optional<IpAddress> FromBytes(Family family, const std::uint8_t* data, std::size_t size);
};

// Dotted IPv4 (four decimal parts, no leading zeros) or textual IPv6 (RFC
// 4291: "::" once, an IPv4 tail allowed); no zone ("%eth0").
std::optional<IpAddress> ParseIpAddress(std::string_view text);
std::string FormatIpAddress(const IpAddress& address);

class SenderList {
 public:
  // The empty list: loopback only (127.0.0.0/8 and ::1).
  SenderList() = default;

  // The list, or the German refusal naming the first bad entry.
  struct Parsed;
  static Parsed Parse(std::string_view text);

  // An IPv4 address in IPv6 clothes (::ffff:a.b.c.d, as a dual-stack socket
  // reports it) is matched as the IPv4 address it is.
  bool Allows(const IpAddress& sender) const;
  bool AllowsAny() const { return any_; }

 private:
  struct Net {
    IpAddress address;
    int prefix = 0;  // leading bits that must match
  };
  bool any_ = false;
  std::vector<Net> nets_;  // empty and !any_: loopback only
};

struct SenderList::Parsed {
  std::optional<SenderList> list;
  std::string refusal;  // empty when list is set
};

}  // namespace ploxen

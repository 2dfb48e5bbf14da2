#include "net/sender_list.h"

#include <cstddef>

namespace ploxen {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::array<std::uint8_t, 4>> ParseV4(std::string_view text) {
  std::array<std::uint8_t, 4> out{};
  std::size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
    const std::size_t start = pos;
    int value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3)
      value = value * 10 + (text[pos++] - '0');
    const std::size_t digits = pos - start;
    if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0')) return std::nullopt;
    out[static_cast<std::size_t>(part)] = static_cast<std::uint8_t>(value);
  }
  if (pos != text.size()) return std::nullopt;
  return out;
}

std::optional<std::array<std::uint8_t, 16>> ParseV6(std::string_view text) {
  std::uint16_t groups[8] = {};
  int count = 0;
  int gap = -1;  // group index where "::" stands
  std::size_t pos = 0;
  if (text.substr(0, 2) == "::") {
    gap = 0;
    pos = 2;
  } else if (!text.empty() && text[0] == ':') {
    return std::nullopt;
  }
  while (pos < text.size()) {
    if (count >= 8) return std::nullopt;
    // An IPv4 tail takes the last two groups.
    const std::size_t next = text.find(':', pos);
    const std::string_view part = text.substr(pos, next == std::string_view::npos ? std::string_view::npos : next - pos);
    if (next == std::string_view::npos && part.find('.') != std::string_view::npos) {
      const auto v4 = ParseV4(part);
      if (!v4 || count > 6) return std::nullopt;
      groups[count++] = static_cast<std::uint16_t>(((*v4)[0] << 8) | (*v4)[1]);
      groups[count++] = static_cast<std::uint16_t>(((*v4)[2] << 8) | (*v4)[3]);
      pos = text.size();
      break;
    }
    if (part.empty() || part.size() > 4) return std::nullopt;
    int value = 0;
    for (char c : part) {
      const int h = HexValue(c);
      if (h < 0) return std::nullopt;
      value = value * 16 + h;
    }
    groups[count++] = static_cast<std::uint16_t>(value);
    if (next == std::string_view::npos) {
      pos = text.size();
    } else if (text.substr(next, 2) == "::") {
      if (gap >= 0) return std::nullopt;
      gap = count;
      pos = next + 2;
    } else {
      pos = next + 1;
      if (pos == text.size()) return std::nullopt;  // a trailing single ':'
    }
  }
  if (gap < 0 ? count != 8 : count > 7) return std::nullopt;
  std::array<std::uint8_t, 16> out{};
  int filled[8] = {};
  int at = 0;
  for (int i = 0; i < count; ++i) {
    if (i == gap) at += 8 - count;
    filled[at++] = groups[i];
  }
  for (int i = 0; i < 8; ++i) {
    out[static_cast<std::size_t>(2 * i)] = static_cast<std::uint8_t>(filled[i] >> 8);
    out[static_cast<std::size_t>(2 * i + 1)] = static_cast<std::uint8_t>(filled[i] & 0xFF);
  }
  return out;
}

bool PrefixMatches(const IpAddress& a, const IpAddress& b, int bits) {
  for (std::size_t i = 0; bits > 0; ++i, bits -= 8) {
    const std::uint8_t mask = bits >= 8 ? 0xFF : static_cast<std::uint8_t>(0xFF << (8 - bits));
    if ((a.bytes[i] & mask) != (b.bytes[i] & mask)) return false;
  }
  return true;
}

// ::ffff:a.b.c.d as the IPv4 address it carries.
IpAddress Unmapped(const IpAddress& address) {
  if (address.family != IpAddress::Family::kV6) return address;
  for (std::size_t i = 0; i < 10; ++i)
    if (address.bytes[i] != 0) return address;
  if (address.bytes[10] != 0xFF || address.bytes[11] != 0xFF) return address;
  return IpAddress::V4(address.bytes[12], address.bytes[13], address.bytes[14], address.bytes[15]);
}

std::string Refusal(std::string_view entry) {
  return "Der Absender \"" + std::string(entry.substr(0, 60)) +
         "\" ist keine g\xFCltige Adresse und kein Netz. Erlaubt sind etwa 192.168.1.0/24, 10.0.0.7, ::1 oder *.";
}

}  // namespace

IpAddress IpAddress::V4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  IpAddress address;
  address.bytes[0] = a;
  address.bytes[1] = b;
  address.bytes[2] = c;
  address.bytes[3] = d;
  return address;
}

std::optional<IpAddress> IpAddress::FromBytes(Family family, const std::uint8_t* data, std::size_t size) {
  const std::size_t want = family == Family::kV4 ? 4 : 16;
  if (data == nullptr || size != want) return std::nullopt;
  IpAddress address;
  address.family = family;
  for (std::size_t i = 0; i < want; ++i) address.bytes[i] = data[i];
  return address;
}

std::optional<IpAddress> ParseIpAddress(std::string_view text) {
  if (const auto v4 = ParseV4(text)) return IpAddress::V4((*v4)[0], (*v4)[1], (*v4)[2], (*v4)[3]);
  if (text.find(':') == std::string_view::npos) return std::nullopt;
  const auto v6 = ParseV6(text);
  if (!v6) return std::nullopt;
  IpAddress address;
  address.family = IpAddress::Family::kV6;
  address.bytes = *v6;
  return address;
}

std::string FormatIpAddress(const IpAddress& address) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  if (address.family == IpAddress::Family::kV4) {
    for (std::size_t i = 0; i < 4; ++i) {
      if (i > 0) out += '.';
      out += std::to_string(address.bytes[i]);
    }
    return out;
  }
  // Plain groups without shortening: enough for keys and messages.
  for (std::size_t i = 0; i < 8; ++i) {
    if (i > 0) out += ':';
    const int value = (address.bytes[2 * i] << 8) | address.bytes[2 * i + 1];
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
      const int digit = (value >> shift) & 0xF;
      if (digit != 0 || started || shift == 0) {
        out += kHex[digit];
        started = true;
      }
    }
  }
  return out;
}

SenderList::Parsed SenderList::Parse(std::string_view text) {
  SenderList list;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == ' ' || text[pos] == '\t') {
      ++pos;
      continue;
    }
    std::size_t end = pos;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
    const std::string_view entry = text.substr(pos, end - pos);
    pos = end;
    if (entry == "*") {
      list.any_ = true;
      continue;
    }
    const std::size_t slash = entry.find('/');
    const auto address = ParseIpAddress(entry.substr(0, slash));
    if (!address) return {std::nullopt, Refusal(entry)};
    const int maxBits = address->family == IpAddress::Family::kV4 ? 32 : 128;
    int bits = maxBits;
    if (slash != std::string_view::npos) {
      const std::string_view digits = entry.substr(slash + 1);
      if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0'))
        return {std::nullopt, Refusal(entry)};
      bits = 0;
      for (char c : digits) {
        if (c < '0' || c > '9') return {std::nullopt, Refusal(entry)};
        bits = bits * 10 + (c - '0');
      }
      if (bits > maxBits) return {std::nullopt, Refusal(entry)};
    }
    list.nets_.push_back(Net{*address, bits});
  }
  return {list, {}};
}

bool SenderList::Allows(const IpAddress& sender) const {
  if (any_) return true;
  const IpAddress address = Unmapped(sender);
  if (nets_.empty()) {
    if (address.family == IpAddress::Family::kV4) return address.bytes[0] == 127;
    static const IpAddress kLoopback6 = *ParseIpAddress("::1");
    return address.bytes == kLoopback6.bytes;
  }
  for (const Net& net : nets_) {
    if (net.address.family == address.family && PrefixMatches(net.address, address, net.prefix)) return true;
  }
  return false;
}

}  // namespace ploxen

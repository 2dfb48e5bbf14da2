// Rows sent on to a syslog server as RFC 5424 messages:
//   "<PRI>1 TIMESTAMP HOST PLOXEN - - - MSG"
// facility user (1); the severity from the kind's level, the other way round
// of the colours a syslog message gets: level 1 (red) err (3), level 2
// (magenta) warning (4), level 4 (dark blue) informational (6), anything
// else — black, the plain lines — notice (5).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/message_kind.h"

namespace ploxen {

constexpr int kForwardFacility = 1;
constexpr std::string_view kForwardApp = "PLOXEN";

int ForwardSeverity(MessageKind kind);

// The row's non-empty strings joined by a blank, the row's UTF-8 as it is
// (marked by a BOM when not plain ASCII); line ends and other control
// characters become blanks. The host is reduced to printable ASCII
// (at most 255), "-" when empty; utcMs is when the row was taken.
std::string FormatForwardMessage(MessageKind kind, const std::string_view* strings, std::size_t count,
                                 std::string_view host, std::int64_t utcMs);

// "LEN SP MSG" for TCP (RFC 6587 octet counting); a UDP datagram is the
// message itself.
std::string OctetCountedFrame(std::string_view message);

// "YYYY-MM-DDThh:mm:ss.mmmZ".
std::string FormatUtcTimestamp(std::int64_t utcMs);

}  // namespace ploxen

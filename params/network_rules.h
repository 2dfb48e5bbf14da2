// What the page "Netzwerk" refuses, by the rules of the NETZ settings. The
// two ports share one rule; their refusals name the port meant.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/sender_list.h"

namespace ploxen {

std::optional<std::string> RemotePortRefusal(std::string_view text);
std::optional<std::string> SyslogPortRefusal(std::string_view text);
// An empty target is refused only while forwarding is on: with it off there
// is nothing to send anywhere, and an empty profile entry says so.
std::optional<std::string> ForwardTargetRefusal(std::string_view text, bool forwarding);
// Forwarding to this program's own syslog road would send every row round
// and round for ever: a target on this computer (a loopback or unspecified
// address, "localhost", thisComputer, or any of ownAddresses, the addresses
// of its network interfaces) at the syslog port while that road is on. A
// loop through a relay the page cannot see; the forwarding leaves out rows
// some PLOXEN forwarded already (kSourceForwardedRow).
std::optional<std::string> ForwardLoopRefusal(std::string_view text, bool syslogOn, int syslogPort,
                                              std::string_view thisComputer,
                                              const std::vector<IpAddress>& ownAddresses);

}  // namespace ploxen

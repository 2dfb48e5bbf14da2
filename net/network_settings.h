// The network settings (profile section NETZ), kept apart from the main
// Settings record, and the rules the page "Netzwerk" refuses input by.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "storage/profile.h"

namespace ploxen {

namespace keys {
constexpr std::string_view kSectionNetz = "NETZ";
constexpr std::string_view kFernmeldungen = "FERNMELDUNGEN";
constexpr std::string_view kSyslog = "SYSLOG";
constexpr std::string_view kFernPort = "FERNPORT";
constexpr std::string_view kSyslogPort = "SYSLOGPORT";
constexpr std::string_view kAbsender = "ABSENDER";
constexpr std::string_view kWeiterleiten = "WEITERLEITEN";
constexpr std::string_view kZiel = "ZIEL";
constexpr std::string_view kZielProtokoll = "ZIELPROTOKOLL";
}  // namespace keys

constexpr int kDefaultRemotePort = 2014;
constexpr int kDefaultSyslogPort = 514;
constexpr std::string_view kProtocolTcp = "TCP";
constexpr std::string_view kProtocolUdp = "UDP";
constexpr std::size_t kTargetMaxChars = 260;
constexpr std::size_t kSendersMaxChars = 1000;

// Switches are 0 or 1 as written back; ports 1-65535.
struct NetworkSettings {
  int fernmeldungen = 0;
  int syslog = 0;
  int fernPort = kDefaultRemotePort;
  int syslogPort = kDefaultSyslogPort;
  std::string absender;  // empty: this computer only
  int weiterleiten = 0;
  std::string ziel;      // host:port, [v6]:port
  // TCP by default: forwarding promises every row, which only TCP can keep.
  std::string zielProtokoll{kProtocolTcp};

  bool operator==(const NetworkSettings& o) const {
    return fernmeldungen == o.fernmeldungen && syslog == o.syslog && fernPort == o.fernPort &&
           syslogPort == o.syslogPort && absender == o.absender && weiterleiten == o.weiterleiten &&
           ziel == o.ziel && zielProtokoll == o.zielProtokoll;
  }
};

// A hand-edited profile cannot give a value the page would refuse for a port
// or the protocol: such a value reads as the default. Switches read as 0/1;
// the sender list and the target are read as written and checked where used.
NetworkSettings LoadNetworkSettings(const Profile& profile);
void SaveNetworkSettings(const NetworkSettings& settings, Profile& profile);

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

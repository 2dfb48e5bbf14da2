#include "net/network_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "storage/memory_profile.h"

namespace ploxen {
namespace {

TEST(NetworkSettings, DefaultsFromAnEmptyProfile) {
  MemoryProfile profile;
  const NetworkSettings s = LoadNetworkSettings(profile);
  EXPECT_EQ(s, NetworkSettings{});
  EXPECT_EQ(s.fernPort, 2014);
  EXPECT_EQ(s.syslogPort, 514);
  EXPECT_EQ(s.fernmeldungen + s.syslog + s.weiterleiten, 0);
  EXPECT_EQ(s.zielProtokoll, "TCP");
}

TEST(NetworkSettings, RoundTripThroughTheProfile) {
  NetworkSettings s;
  s.fernmeldungen = 1;
  s.syslog = 1;
  s.fernPort = 3000;
  s.syslogPort = 1514;
  s.absender = "192.168.1.0/24 ::1";
  s.weiterleiten = 1;
  s.ziel = "[::1]:6514";
  s.zielProtokoll = "UDP";
  MemoryProfile profile;
  SaveNetworkSettings(s, profile);
  EXPECT_EQ(LoadNetworkSettings(profile), s);
  EXPECT_EQ(profile.GetString("NETZ", "ZIEL", ""), "[::1]:6514");
  EXPECT_EQ(profile.GetString("NETZ", "FERNPORT", ""), "3000");
}

struct ProfileCase {
  const char* key;
  const char* text;
  NetworkSettings expected;
};

NetworkSettings With(void (*change)(NetworkSettings&)) {
  NetworkSettings s;
  change(s);
  return s;
}

class HandEditedProfile : public testing::TestWithParam<ProfileCase> {};

TEST_P(HandEditedProfile, ReadsWhatThePageWouldAccept) {
  MemoryProfile profile;
  profile.WriteString("NETZ", GetParam().key, GetParam().text);
  EXPECT_EQ(LoadNetworkSettings(profile), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, HandEditedProfile,
    testing::Values(ProfileCase{"FERNPORT", "0", NetworkSettings{}},
                    ProfileCase{"FERNPORT", "65536", NetworkSettings{}},
                    ProfileCase{"FERNPORT", "-1", NetworkSettings{}},
                    ProfileCase{"SYSLOGPORT", "abc", NetworkSettings{}},
                    ProfileCase{"SYSLOGPORT", "65535", With([](NetworkSettings& s) { s.syslogPort = 65535; })},
                    ProfileCase{"SYSLOG", "7", With([](NetworkSettings& s) { s.syslog = 1; })},
                    ProfileCase{"WEITERLEITEN", "-3", With([](NetworkSettings& s) { s.weiterleiten = 1; })},
                    ProfileCase{"ZIELPROTOKOLL", "udp", With([](NetworkSettings& s) { s.zielProtokoll = "UDP"; })},
                    ProfileCase{"ZIELPROTOKOLL", "SCTP", NetworkSettings{}}));

struct TargetCase {
  const char* text;
  const char* host;  // nullptr: refused
  int port;
};

std::ostream& operator<<(std::ostream& os, const TargetCase& c) { return os << c.text; }

class Target : public testing::TestWithParam<TargetCase> {};

TEST_P(Target, ParsesOrIsRefused) {
  const auto target = ParseNetworkTarget(GetParam().text);
  const auto refusal = TargetRefusal(GetParam().text);
  if (GetParam().host == nullptr) {
    EXPECT_FALSE(target.has_value());
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->rfind("Das Ziel \"", 0), 0u) << *refusal;
  } else {
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->host, GetParam().host);
    EXPECT_EQ(target->port, GetParam().port);
    EXPECT_FALSE(refusal.has_value());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, Target,
    testing::Values(TargetCase{"loghost:514", "loghost", 514}, TargetCase{" logs.example.com:6514 ", "logs.example.com", 6514},
                    TargetCase{"192.168.1.5:514", "192.168.1.5", 514}, TargetCase{"[::1]:514", "::1", 514},
                    TargetCase{"[2001:db8::7]:1", "2001:db8::7", 1}, TargetCase{"loghost", nullptr, 0},
                    TargetCase{"loghost:", nullptr, 0}, TargetCase{"loghost:0", nullptr, 0},
                    TargetCase{"loghost:65536", nullptr, 0}, TargetCase{"loghost:+514", nullptr, 0},
                    TargetCase{"loghost: 514", nullptr, 0}, TargetCase{":514", nullptr, 0},
                    TargetCase{"::1:514", nullptr, 0}, TargetCase{"[::1]514", nullptr, 0},
                    TargetCase{"[10.0.0.1]:514", nullptr, 0}, TargetCase{"[::1:514", nullptr, 0},
                    TargetCase{"-bad-.host:514", nullptr, 0}, TargetCase{"a..b:514", nullptr, 0},
                    TargetCase{"h\xE4st:514", nullptr, 0}, TargetCase{"", nullptr, 0}));

TEST(NetworkRefusals, Ports) {
  EXPECT_FALSE(PortRefusal("514").has_value());
  EXPECT_FALSE(PortRefusal(" 65535 ").has_value());
  EXPECT_EQ(PortRefusal("0"), "Bitte eine Zahl von 1 bis 65535 eingeben.");
  EXPECT_EQ(PortRefusal("70000"), "Bitte eine Zahl von 1 bis 65535 eingeben.");
  EXPECT_EQ(PortRefusal("-1"), "Bitte eine ganze Zahl ohne Vorzeichen eingeben.");
  EXPECT_EQ(PortRefusal("x"), "Bitte eine ganze Zahl ohne Vorzeichen eingeben.");
}

TEST(NetworkRefusals, SendersProtocolAndLength) {
  EXPECT_FALSE(SendersRefusal("").has_value());
  EXPECT_FALSE(SendersRefusal("192.168.1.0/24 10.0.0.7 ::1 *").has_value());
  ASSERT_TRUE(SendersRefusal("10.0.0.1 nix").has_value());
  EXPECT_NE(SendersRefusal("10.0.0.1 nix")->find("\"nix\""), std::string::npos);
  EXPECT_TRUE(SendersRefusal(std::string(kSendersMaxChars + 1, ' ')).has_value());
  EXPECT_TRUE(TargetRefusal(std::string(kTargetMaxChars, 'a') + ":1").has_value());
  EXPECT_FALSE(ProtocolRefusal("TCP").has_value());
  EXPECT_FALSE(ProtocolRefusal(" udp ").has_value());
  EXPECT_EQ(ProtocolRefusal("TLS"), "Bitte TCP oder UDP eingeben.");
}

}  // namespace
}  // namespace ploxen

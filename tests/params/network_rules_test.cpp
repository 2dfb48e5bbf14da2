// What the page "Netzwerk" refuses: the ports named in their refusals, and a
// target that may be empty only while forwarding is off.
#include "params/network_rules.h"

#include <gtest/gtest.h>

namespace ploxen::test {
namespace {

TEST(NetworkRules, EachPortRefusalNamesItsPort) {
  EXPECT_EQ(RemotePortRefusal(" 2014 "), std::nullopt);
  EXPECT_EQ(SyslogPortRefusal("65535"), std::nullopt);
  EXPECT_EQ(RemotePortRefusal("0"), "Port f\xFCr Fernmeldungen: Bitte eine Zahl von 1 bis 65535 eingeben.");
  EXPECT_EQ(SyslogPortRefusal("514x"), "Port f\xFCr Syslog: Bitte eine ganze Zahl ohne Vorzeichen eingeben.");
}

TEST(NetworkRules, TargetMayBeEmptyOnlyWhileForwardingIsOff) {
  EXPECT_EQ(ForwardTargetRefusal("  ", false), std::nullopt);
  EXPECT_NE(ForwardTargetRefusal("", true), std::nullopt);
  // Kept in the profile either way, so a bad one is refused either way.
  for (bool forwarding : {false, true}) {
    EXPECT_EQ(ForwardTargetRefusal("loghost:514", forwarding), std::nullopt);
    EXPECT_NE(ForwardTargetRefusal("loghost", forwarding), std::nullopt);
  }
}

TEST(NetworkRules, ForwardingToItsOwnSyslogRoadIsRefused) {
  // This computer's own addresses, as its network interfaces have them.
  const std::vector<IpAddress> own = {IpAddress::V4(192, 168, 1, 20), *ParseIpAddress("fd00::20")};
  for (const char* self : {"127.0.0.1:514", "LOCALHOST:514", "[::1]:514", "pc07:514", "Pc07.example.com:514",
                           "192.168.1.20:514", "[fd00::20]:514", "[::ffff:192.168.1.20]:514", "0.0.0.0:514", "[::]:514"})
    EXPECT_NE(ForwardLoopRefusal(self, true, 514, "PC07", own), std::nullopt) << self;
  EXPECT_EQ(ForwardLoopRefusal("127.0.0.1:514", false, 514, "PC07", own), std::nullopt);  // road off
  EXPECT_EQ(ForwardLoopRefusal("192.168.1.20:5514", true, 514, "PC07", own), std::nullopt);  // another port
  for (const char* other : {"loghost:514", "192.168.1.5:514", "[fd00::21]:514", "pc070:514", "bad"})
    EXPECT_EQ(ForwardLoopRefusal(other, true, 514, "PC07", own), std::nullopt) << other;
}

}  // namespace
}  // namespace ploxen::test

// What the page "Netzwerk" refuses: the ports named in their refusals, and a
// target that may be empty only while forwarding is off.
#include "params/network_rules.h"

#include <gtest/gtest.h>

namespace ploxen::test {
namespace {

TEST(NetworkRules, PortsTakeOneToSixtyFiveThousandFiveHundredThirtyFiveAndNameThemselves) {
  for (const char* good : {"1", "514", " 2014 ", "65535", "+80"}) {
    EXPECT_EQ(RemotePortRefusal(good), std::nullopt) << good;
    EXPECT_EQ(SyslogPortRefusal(good), std::nullopt) << good;
  }
  EXPECT_EQ(RemotePortRefusal("0"), "Port f\xFCr Fernmeldungen: Bitte eine Zahl von 1 bis 65535 eingeben.");
  EXPECT_EQ(SyslogPortRefusal("65536"), "Port f\xFCr Syslog: Bitte eine Zahl von 1 bis 65535 eingeben.");
  for (const char* bad : {"", "-1", "514x", "5 14", "99999999999999999999"})
    EXPECT_NE(SyslogPortRefusal(bad), std::nullopt) << bad;
}

TEST(NetworkRules, TargetMayBeEmptyOnlyWhileForwardingIsOff) {
  EXPECT_EQ(ForwardTargetRefusal("", false), std::nullopt);
  EXPECT_EQ(ForwardTargetRefusal("  ", false), std::nullopt);
  EXPECT_NE(ForwardTargetRefusal("", true), std::nullopt);
  for (bool forwarding : {false, true}) {
    EXPECT_EQ(ForwardTargetRefusal("loghost:514", forwarding), std::nullopt);
    EXPECT_EQ(ForwardTargetRefusal("[::1]:6514", forwarding), std::nullopt);
    // Kept in the profile either way, so a bad one is refused either way.
    const auto refusal = ForwardTargetRefusal("loghost", forwarding);
    ASSERT_NE(refusal, std::nullopt);
    EXPECT_EQ(refusal->rfind("Das Ziel \"loghost\" ist ung\xFCltig.", 0), 0u) << *refusal;
  }
}

}  // namespace
}  // namespace ploxen::test

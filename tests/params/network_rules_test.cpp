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

}  // namespace
}  // namespace ploxen::test

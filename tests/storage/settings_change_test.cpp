// What OK asks of the running program: each change of the record against the
// consequence it names, and the values that need none.
#include "storage/settings_change.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace ploxen::test {
namespace {

// The consequences named, in the struct's order, so a case reads as a line.
std::string Named(const SettingsChange& c) {
  std::string names;
  auto add = [&names](bool on, const char* name) {
    if (on) names += names.empty() ? name : std::string(" ") + name;
  };
  add(c.topmost, "topmost");
  add(c.dbWin32, "dbWin32");
  add(c.systemWide, "systemWide");
  add(c.remoteTimer, "remoteTimer");
  add(c.font, "font");
  add(c.rules, "rules");
  add(c.followedFiles, "followedFiles");
  add(c.network.roads, "roads");
  add(c.network.senders, "senders");
  add(c.network.forwarding, "forwarding");
  add(c.log, "log");
  return names;
}

struct ChangeCase {
  const char* name;
  void (*before)(Settings&);  // from a default-made record
  void (*after)(Settings&);   // on top of before
  const char* consequences;
};

void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }

void Nothing(Settings&) {}
void RemoteOn(Settings& s) { s.network.fernmeldungen = 1; }
void OneRule(Settings& s) { s.rules.push_back(ProcessRule("PID=7", RuleAction::kHide)); }

const ChangeCase kCases[] = {
    {"Same", Nothing, Nothing, ""},
    {"ValuesReadWhereUsed", Nothing,
     [](Settings& s) {
       s.intake.maxCount = 100;
       s.intake.meldungen = 0;
       s.intake.bException = 1;
       s.intake.ploxen = 0;
       s.caseSensitiv = 1;
       s.saveDatei = "D:\\neu.bin";
       s.folgen = 1;
       s.position = {1, 2, 3, 4, 3};
     },
     ""},
    {"TopmostOff", Nothing, [](Settings& s) { s.topmost = 0; }, "topmost"},
    {"TopmostStillOn", Nothing, [](Settings& s) { s.topmost = 5; }, ""},
    {"DbWin32On", Nothing, [](Settings& s) { s.intake.dbWin32 = 1; }, "dbWin32"},
    {"SystemWideOn", Nothing, [](Settings& s) { s.intake.systemWeit = 1; }, "systemWide"},
    {"SystemWideOff", [](Settings& s) { s.intake.systemWeit = 1; }, [](Settings& s) { s.intake.systemWeit = 0; },
     "systemWide"},
    {"RemoteOn", Nothing, [](Settings& s) { s.fernDebug = 1; }, "remoteTimer"},
    {"RemoteStillOn", [](Settings& s) { s.fernDebug = 1; }, [](Settings& s) { s.fernDebug = 2; }, ""},
    {"Interval", Nothing, [](Settings& s) { s.intervall = 100; }, "remoteTimer"},
    {"FontSize", Nothing, [](Settings& s) { s.fontSize = 10; }, "font"},
    {"FontNameCase", Nothing, [](Settings& s) { s.fontName = "ms sans serif"; }, "font"},
    {"RuleAdded", Nothing, OneRule, "rules"},
    {"RuleSwitchedOff", OneRule, [](Settings& s) { s.rules[0].on = false; }, "rules"},
    {"RuleColour", OneRule, [](Settings& s) { s.rules[0].backColour = 0xFF; }, "rules"},
    {"FileFollowed", Nothing, [](Settings& s) { s.followedFiles.dateien = {"C:\\app.log"}; }, "followedFiles"},
    {"LastLines", Nothing, [](Settings& s) { s.followedFiles.zeilen = 10; }, "followedFiles"},
    {"RemoteRoadOn", Nothing, RemoteOn, "roads"},
    {"SyslogOff", [](Settings& s) { s.network.syslog = 1; }, [](Settings& s) { s.network.syslog = 0; }, "roads"},
    {"PortOfARoadOff", Nothing, [](Settings& s) { s.network.fernPort = 3000; }, ""},
    {"PortOfARoadOn", RemoteOn, [](Settings& s) { s.network.fernPort = 3000; }, "roads"},
    {"SyslogPortOfARoadOn", [](Settings& s) { s.network.syslog = 1; }, [](Settings& s) { s.network.syslogPort = 1514; },
     "roads"},
    {"Senders", RemoteOn, [](Settings& s) { s.network.absender = "*"; }, "senders"},
    {"SendersWithTheirRoadsAnew", RemoteOn,
     [](Settings& s) {
       s.network.absender = "*";
       s.network.syslog = 1;
     },
     "roads"},
    {"ForwardingOn", Nothing, [](Settings& s) { s.network.weiterleiten = 1; }, "forwarding"},
    {"ForwardingTarget", Nothing, [](Settings& s) { s.network.ziel = "loghost:514"; }, "forwarding"},
    {"ForwardingProtocol", Nothing, [](Settings& s) { s.network.zielProtokoll = "UDP"; }, "forwarding"},
    {"LogOn", Nothing, [](Settings& s) { s.log.ein = 1; }, "log"},
    {"LogOff", [](Settings& s) { s.log.ein = 1; }, [](Settings& s) { s.log.ein = 0; }, "log"},
    {"LogFileWhileOn", [](Settings& s) { s.log.ein = 1; }, [](Settings& s) { s.log.datei = "x.txt"; }, "log"},
    {"LogRotationWhileOn", [](Settings& s) { s.log.ein = 1; }, [](Settings& s) { s.log.groesseMb = 1; }, "log"},
    {"LogFileWhileOff", Nothing,
     [](Settings& s) {
       s.log.datei = "x.bin";
       s.log.format = 1;
     },
     ""},
    {"SeveralAtOnce", Nothing,
     [](Settings& s) {
       s.topmost = 0;
       s.fontSize = 12;
       s.intervall = 500;
       s.network.ziel = "loghost:514";
     },
     "topmost remoteTimer font forwarding"},
};

class SettingsChangeTest : public testing::TestWithParam<ChangeCase> {};

TEST_P(SettingsChangeTest, NamesWhatMustChange) {
  Settings before;
  GetParam().before(before);
  Settings after = before;
  GetParam().after(after);
  EXPECT_EQ(Named(Compare(before, after)), GetParam().consequences);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsChangeTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// At start-up the roads open from nothing: a profile's network settings
// against the defaults.
TEST(SettingsChange, NetworkAtStartUpIsTheLoadedSectionAgainstTheDefaults) {
  auto atStartUp = [](const NetworkSettings& loaded) {
    SettingsChange change;
    change.network = CompareNetwork(NetworkSettings{}, loaded);
    return Named(change);
  };
  NetworkSettings loaded;
  EXPECT_EQ(atStartUp(loaded), "");
  loaded.absender = "10.0.0.0/8";
  EXPECT_EQ(atStartUp(loaded), "senders");
  loaded.syslog = 1;
  loaded.weiterleiten = 1;
  EXPECT_EQ(atStartUp(loaded), "roads forwarding");
}

TEST(FontRules, ChangedBySizeOrAnyByteOfTheName) {
  EXPECT_FALSE(FontChanged(8, "MS Sans Serif", 8, "MS Sans Serif"));
  EXPECT_TRUE(FontChanged(8, "MS Sans Serif", 8, "ms sans serif"));
  EXPECT_TRUE(FontChanged(8, "MS Sans Serif", 10, "MS Sans Serif"));
  EXPECT_TRUE(FontChanged(8, "Arial", 8, "Arial "));
}

}  // namespace
}  // namespace ploxen::test

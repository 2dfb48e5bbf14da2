// Settings in the profile: keys and defaults, the network section and the
// rules in the record, the position check, the search-term history, what is
// saved and in which order, the profile's place.
#include "storage/settings.h"
#include "tests/support/term_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "storage/memory_profile.h"
#include "storage/view_rules_profile.h"
#include "tests/support/text_corpus.h"

namespace ploxen::test {
namespace {

constexpr int kW = 1024;
constexpr int kH = 768;

class SortedBox : public TermBox {
 public:
  SortedBox() { items = {"left over from before"}; }
};

// Every integer key with its default on a 1024 x 768 screen. The names are
// spelt out here, not taken from the constants, so a misspelt key shows.
struct IntKey {
  const char* section;
  const char* key;
  int defaultValue;
  std::function<int(const Settings&)> field;
};

const IntKey kIntKeys[] = {
    {"POSITION", "X0", kW - 480, [](const Settings& s) { return s.position.x0; }},
    {"POSITION", "Y0", kH - 150, [](const Settings& s) { return s.position.y0; }},
    {"POSITION", "X1", kW, [](const Settings& s) { return s.position.x1; }},
    {"POSITION", "Y1", kH, [](const Settings& s) { return s.position.y1; }},
    {"POSITION", "SHOW", 1, [](const Settings& s) { return s.position.show; }},
    {"POSITION", "TOPMOST", 1, [](const Settings& s) { return s.topmost; }},
    {"LISTBOX", "MAXCOUNT", 50000, [](const Settings& s) { return s.intake.maxCount; }},
    {"LISTBOX", "DESTRUKTOR", 1, [](const Settings& s) { return s.intake.destruktor; }},
    {"LISTBOX", "KONSTRUKTOR", 1, [](const Settings& s) { return s.intake.konstruktor; }},
    {"LISTBOX", "MELDUNGEN", 1, [](const Settings& s) { return s.intake.meldungen; }},
    {"LISTBOX", "STARTENDE", 1, [](const Settings& s) { return s.intake.startEnde; }},
    {"LISTBOX", "B_TRACE", 1, [](const Settings& s) { return s.intake.bTrace; }},
    {"LISTBOX", "B_DLL", 1, [](const Settings& s) { return s.intake.bDll; }},
    {"LISTBOX", "B_EXCEPTION", 0, [](const Settings& s) { return s.intake.bException; }},
    {"LISTBOX", "B_THREAD", 1, [](const Settings& s) { return s.intake.bThread; }},
    {"LISTBOX", "B_PROCESS", 1, [](const Settings& s) { return s.intake.bProcess; }},
    {"ALLGEMEIN", "ERSTER_AUFRUF", 1, [](const Settings& s) { return s.ersterAufruf; }},
    {"ALLGEMEIN", "FERNDEBUG", 0, [](const Settings& s) { return s.fernDebug; }},
    {"ALLGEMEIN", "INTERVALL", 250, [](const Settings& s) { return s.intervall; }},
    {"ALLGEMEIN", "FONTSIZE", 8, [](const Settings& s) { return s.fontSize; }},
    {"ALLGEMEIN", "CASESENSITIV", 0, [](const Settings& s) { return s.caseSensitiv; }},
    {"ALLGEMEIN", "PLOXEN", 1, [](const Settings& s) { return s.intake.ploxen; }},
    {"ALLGEMEIN", "DBWIN32", 0, [](const Settings& s) { return s.intake.dbWin32; }},
    {"ALLGEMEIN", "SYSTEMWEIT", 0, [](const Settings& s) { return s.intake.systemWeit; }},
    {"ALLGEMEIN", "FOLGEN", 0, [](const Settings& s) { return s.folgen; }},
    {"ALLGEMEIN", "GRENZE", 0, [](const Settings& s) { return s.intake.grenze; }},
};

TEST(SettingsLoad, NoProfileGivesEveryDefault) {
  MemoryProfile none;
  const Settings s = LoadSettings(none, kW, kH);
  for (const IntKey& k : kIntKeys) EXPECT_EQ(k.field(s), k.defaultValue) << k.key;
  EXPECT_EQ(s.saveDatei, "PLOXEN.BIN");
  EXPECT_EQ(s.fontName, "MS Sans Serif");

  SortedBox box;
  int remembered = -1;
  LoadSearchHistory(none, box, remembered);
  EXPECT_TRUE(box.items.empty());
  EXPECT_EQ(remembered, -1);
  EXPECT_TRUE(box.selections.empty());
}

class SettingsIntKeyTest : public ::testing::TestWithParam<IntKey> {};

TEST_P(SettingsIntKeyTest, StoredValueReachesItsFieldOnly) {
  const IntKey& k = GetParam();
  MemoryProfile profile;
  profile.WriteInt(k.section, k.key, 37);
  const Settings s = LoadSettings(profile, kW, kH);
  for (const IntKey& other : kIntKeys) {
    EXPECT_EQ(other.field(s), std::string(other.key) == k.key ? 37 : other.defaultValue)
        << other.key;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryIntKey, SettingsIntKeyTest, ::testing::ValuesIn(kIntKeys),
                         [](const auto& info) { return std::string(info.param.key); });

// The network section and the view's rules are parts of the record too, read
// by the same rules as alone.
TEST(SettingsLoad, NetzAndTheRulesAreReadIntoTheRecord) {
  MemoryProfile profile;
  profile.WriteString("NETZ", "SYSLOG", "7");
  profile.WriteString("NETZ", "FERNPORT", "3000");
  profile.WriteString("NETZ", "SYSLOGPORT", "70000");
  profile.WriteString("NETZ", "ABSENDER", "*");
  profile.WriteString("NETZ", "ZIELPROTOKOLL", " udp");
  profile.WriteInt("FILTER", "ANZAHL", 2);
  profile.WriteString("FILTER", "REGEL_0", "1,3,0,0,0,0,65535,geheim");
  profile.WriteString("FILTER", "REGEL_1", "0,1,1,1,2,255,0,^PID");
  const Settings s = LoadSettings(profile, kW, kH);

  NetworkSettings expected;
  expected.syslog = 1;
  expected.fernPort = 3000;
  expected.absender = "*";
  expected.zielProtokoll = "UDP";
  EXPECT_EQ(s.network, expected);
  EXPECT_EQ(s.network, LoadNetworkSettings(profile));
  ASSERT_EQ(s.rules.size(), 2u);
  EXPECT_EQ(s.rules, ReadViewRules(profile));
  EXPECT_EQ(s.rules[0].pattern, "geheim");
  EXPECT_FALSE(s.rules[1].on);
}

// DATEIEN: a hand-edited list reads without gaps, twins or a count beyond
// the keys; saving removes the keys of a longer list.
TEST(SettingsLoad, FollowedFilesReadAsTheListTheUserCanKeep) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> keys;
    std::vector<std::string> files;
    int zeilen;
  };
  const Case cases[] = {
      {"none", {}, {}, 1000},
      {"two and ZEILEN",
       {{"ANZAHL", "2"}, {"DATEI1", "C:\\a.log"}, {"DATEI2", "Z:\\tmp\\b.log"}, {"ZEILEN", "0"}},
       {"C:\\a.log", "Z:\\tmp\\b.log"},
       0},
      {"an empty one and a twin in other case skipped",
       {{"ANZAHL", "3"}, {"DATEI1", "C:\\a.log"}, {"DATEI2", ""}, {"DATEI3", "c:\\A.LOG"}},
       {"C:\\a.log"},
       1000},
      {"a count beyond the keys, ZEILEN out of range",
       {{"ANZAHL", "1000000"}, {"DATEI1", "x.log"}, {"ZEILEN", "-5"}},
       {"x.log"},
       1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryProfile profile;
    for (const auto& [key, value] : c.keys) profile.WriteString("DATEIEN", key, value);
    const Settings s = LoadSettings(profile, kW, kH);
    EXPECT_EQ(s.followedFiles.dateien, c.files);
    EXPECT_EQ(s.followedFiles.zeilen, c.zeilen);
    EXPECT_EQ(s.followedFiles, LoadFollowedFiles(profile));
  }
}

TEST(SettingsSave, FollowedFilesGoBackAsTheyCameAndAShorterListLeavesNoOldKey) {
  MemoryProfile profile;
  FollowedFilesSettings files;
  for (const char* name : {"a.log", "b.log", "c.log"}) EXPECT_TRUE(AddFollowedFile(files, name));
  EXPECT_FALSE(AddFollowedFile(files, "B.LOG"));
  EXPECT_FALSE(AddFollowedFile(files, ""));
  files.zeilen = 50;
  SaveFollowedFiles(files, profile);
  EXPECT_EQ(LoadFollowedFiles(profile), files);
  files.dateien.resize(1);
  SaveFollowedFiles(files, profile);
  EXPECT_EQ(LoadFollowedFiles(profile), files);
  EXPECT_EQ(profile.GetString("DATEIEN", "DATEI2", "weg"), "weg");
  // A close does not write the section: the page and the menu do.
  Settings other;
  SaveSettings(profile, other, Placement{}, {});
  EXPECT_EQ(LoadFollowedFiles(profile), files);
  FollowedFilesSettings full;
  for (int i = 0; i < kFollowedFilesMax; ++i) EXPECT_TRUE(AddFollowedFile(full, std::to_string(i)));
  EXPECT_FALSE(AddFollowedFile(full, "one more"));
}

// ---------------------------------------------------------- position check

struct PositionCase {
  const char* name;
  int x0, y0;
  bool reset;
};

class SettingsPositionTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(SettingsPositionTest, CornerTooCloseToTheEdgeBecomesTheSmallStrip) {
  const PositionCase& c = GetParam();
  MemoryProfile profile;
  profile.WriteInt("POSITION", "X0", c.x0);
  profile.WriteInt("POSITION", "Y0", c.y0);
  profile.WriteInt("POSITION", "X1", 5000);
  profile.WriteInt("POSITION", "Y1", 6000);
  profile.WriteInt("POSITION", "SHOW", 3);
  const Placement p = LoadSettings(profile, kW, kH).position;

  const Placement expected =
      c.reset ? Placement{kW - 280, kH - 150, kW, kH, 3} : Placement{c.x0, c.y0, 5000, 6000, 3};
  EXPECT_EQ(p.x0, expected.x0);
  EXPECT_EQ(p.y0, expected.y0);
  EXPECT_EQ(p.x1, expected.x1);
  EXPECT_EQ(p.y1, expected.y1);
  EXPECT_EQ(p.show, 3);
}

INSTANTIATE_TEST_SUITE_P(Edges, SettingsPositionTest,
                         ::testing::Values(PositionCase{"RightAt50", kW - 50, 100, true},
                                           PositionCase{"RightAt51", kW - 51, 100, false},
                                           PositionCase{"BottomAt50", 100, kH - 50, true},
                                           PositionCase{"BottomAt51", 100, kH - 51, false},
                                           PositionCase{"BeyondTheScreen", kW + 300, 100, true},
                                           PositionCase{"NegativeStays", -2000, -2000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------- search history

TEST(SettingsSearchHistory, EmptyEntryIsSkippedAndSavingRenumbersInTheBoxOrder) {
  MemoryProfile profile;
  profile.WriteInt("SUCHEN", "ANZAHL", 3);
  profile.WriteString("SUCHEN", "STRING_0", "zeta");
  profile.WriteString("SUCHEN", "STRING_1", "");
  profile.WriteString("SUCHEN", "STRING_2", "Alpha");
  profile.WriteString("SUCHEN", "STRING_3", "beyond the count");

  SortedBox box;
  int remembered = -1;
  LoadSearchHistory(profile, box, remembered);
  EXPECT_EQ(box.items, (std::vector<std::string>{"Alpha", "zeta"}));
  EXPECT_EQ(remembered, 0);
  EXPECT_EQ(box.selections, std::vector<int>{0});

  SaveSettings(profile, Settings(), Placement(), SearchTermItems(box));
  EXPECT_EQ(profile.GetInt("SUCHEN", "ANZAHL", -1), 2);
  EXPECT_EQ(profile.GetString("SUCHEN", "STRING_0", "-"), "Alpha");
  EXPECT_EQ(profile.GetString("SUCHEN", "STRING_1", "-"), "zeta");
  EXPECT_FALSE(profile.Has("SUCHEN", "STRING_2"));
}

TEST(SettingsSearchHistory, SavingAnEmptyBoxRemovesTheOldTermsUpToTheOldCount) {
  MemoryProfile profile;
  profile.WriteInt("SUCHEN", "ANZAHL", 3);
  for (const char* key : {"STRING_0", "STRING_1", "STRING_2", "STRING_5"}) {
    profile.WriteString("SUCHEN", key, "alt");
  }
  SaveSettings(profile, Settings(), Placement(), {});
  EXPECT_EQ(profile.GetInt("SUCHEN", "ANZAHL", -1), 0);
  EXPECT_TRUE(ReadSearchTerms(profile).empty());
  EXPECT_FALSE(profile.Has("SUCHEN", "STRING_2"));
  EXPECT_TRUE(profile.Has("SUCHEN", "STRING_5"));  // never read, left alone
}

TEST(SettingsSearchHistory, RememberedIndexIsSetOnlyWhenTheCountIsNotZero) {
  MemoryProfile profile;
  SortedBox box;
  int remembered = 4;
  LoadSearchHistory(profile, box, remembered);
  EXPECT_EQ(remembered, 4);
  EXPECT_TRUE(box.selections.empty());

  profile.WriteInt("SUCHEN", "ANZAHL", 2);  // both entries missing
  LoadSearchHistory(profile, box, remembered);
  EXPECT_TRUE(box.items.empty());
  EXPECT_EQ(remembered, 0);
  EXPECT_EQ(box.selections, std::vector<int>{0});
}

TEST(SettingsSearchHistory, LongTermIsCutTo99CharactersOnLoadAndOnSave) {
  const std::string term150 = std::string(140, 'x') + "0123456789";
  MemoryProfile profile;
  profile.WriteInt("SUCHEN", "ANZAHL", 1);
  profile.WriteString("SUCHEN", "STRING_0", term150);
  EXPECT_EQ(ReadSearchTerms(profile), std::vector<std::string>{term150.substr(0, 99)});

  SaveSettings(profile, Settings(), Placement(), {term150, std::string(99, 'y')});
  EXPECT_EQ(profile.GetString("SUCHEN", "STRING_0", ""), term150.substr(0, 99));
  EXPECT_EQ(profile.GetString("SUCHEN", "STRING_1", ""), std::string(99, 'y'));
}

TEST(SettingsSearchHistory, DamagedCountNeitherReadsTermsNorRunsAway) {
  MemoryProfile profile;
  profile.WriteString("SUCHEN", "STRING_0", "a");
  profile.WriteInt("SUCHEN", "ANZAHL", -3);
  EXPECT_TRUE(ReadSearchTerms(profile).empty());

  profile.WriteInt("SUCHEN", "ANZAHL", INT_MAX);
  EXPECT_EQ(ReadSearchTerms(profile), std::vector<std::string>{"a"});
  profile.ForgetChanges();
  SaveSettings(profile, Settings(), Placement(), {});
  const auto& changes = profile.Changes();
  EXPECT_EQ(std::count_if(changes.begin(), changes.end(),
                          [](const auto& c) { return c.kind == MemoryProfile::Change::kDelete; }),
            kSearchTermCountMax);
}

// Terms and patterns of the user's are UTF-8; the profile keeps what fits code
// page 1252 as 1252, as every profile has, and the rest as UTF-8.
TEST(ProfileText, EachTextIsKeptSoThatItComesBackAsItWent) {
  struct Case {
    const char* name;
    std::string text;    // UTF-8
    std::string stored;  // the profile's bytes
  };
  const Case cases[] = {
      {"ASCII", "Fehler 42", "Fehler 42"},
      {"code page 1252", "Größe € „x“", "Gr\xF6\xDF" "e \x80 \x84x\x93"},
      {"the undefined five", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", "\x81\x8D\x8F\x90\x9D"},
      {"Polish", "łódź", "\xC5\x82\xC3\xB3" "d\xC5\xBA"},
      {"Cyrillic with 0x81 inside", "ОШИБКА с", "\xD0\x9E\xD0\xA8\xD0\x98\xD0\x91\xD0\x9A\xD0\x90 \xD1\x81"},
      {"1252 that would read as UTF-8", "Ã¤", "\xC3\x83\xC2\xA4"},
      {"1252 that would read as a mark", "ï»¿x", "\xC3\xAF\xC2\xBB\xC2\xBFx"},
      {"a mark of its own", "\xEF\xBB\xBFx", "\xEF\xBB\xBF\xEF\xBB\xBFx"},
      {"emoji", "👍🏽", "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ProfileBytes(c.text), c.stored);
    EXPECT_EQ(ProfileText(c.stored), c.text);
  }
  for (const CorpusLine& line : TextCorpus()) {
    SCOPED_TRACE(line.name);
    EXPECT_EQ(ProfileText(ProfileBytes(line.shown)), line.shown);
  }
}

TEST(ProfileText, AProfileWrittenBeforeReadsAsBefore) {
  MemoryProfile profile;
  profile.WriteInt("SUCHEN", "ANZAHL", 2);
  profile.WriteString("SUCHEN", "STRING_0", "Gr\xF6\xDF" "e \x80");
  profile.WriteString("SUCHEN", "STRING_1", "Umlaute falsch kodiert: \"\xC3\xA4\" statt \"\xE4\"");
  profile.WriteInt("FILTER", "ANZAHL", 1);
  profile.WriteString("FILTER", "REGEL_0", "1,3,0,0,0,0,0,\xC4rger");
  EXPECT_EQ(ReadSearchTerms(profile), (std::vector<std::string>{"Größe €", "Umlaute falsch kodiert: \"Ã¤\" statt \"ä\""}));
  ASSERT_EQ(ReadViewRules(profile).size(), 1u);
  EXPECT_EQ(ReadViewRules(profile)[0].pattern, "Ärger");
  // Saved again unchanged, byte for byte.
  SaveSettings(profile, Settings(), Placement(), ReadSearchTerms(profile));
  WriteViewRules(profile, ReadViewRules(profile));
  EXPECT_EQ(profile.GetString("SUCHEN", "STRING_0", ""), "Gr\xF6\xDF" "e \x80");
  EXPECT_EQ(profile.GetString("SUCHEN", "STRING_1", ""), "Umlaute falsch kodiert: \"\xC3\xA4\" statt \"\xE4\"");
  EXPECT_EQ(profile.GetString("FILTER", "REGEL_0", ""), "1,3,0,0,0,0,0,\xC4rger");
}

TEST(ProfileText, TermsAndPatternsOfEveryScriptSurviveARestart) {
  std::vector<std::string> terms;
  std::vector<ViewRule> rules;
  for (const CorpusLine& line : TextCorpus()) {
    terms.push_back(line.shown);
    ViewRule rule;
    rule.pattern = line.shown;
    rules.push_back(rule);
  }
  MemoryProfile profile;
  SaveSettings(profile, Settings(), Placement(), terms);
  WriteViewRules(profile, rules);
  const std::vector<std::string> back = ReadSearchTerms(profile);
  ASSERT_EQ(back.size(), terms.size());
  for (std::size_t i = 0; i < terms.size(); ++i)
    EXPECT_EQ(back[i], CutToCharacters(terms[i], kSearchTermMax)) << TextCorpus()[i].name;
  EXPECT_EQ(ReadViewRules(profile), rules);
}

// ------------------------------------------------------------------ saving

TEST(SettingsSave, FailedRemoteModeIsStillStoredAsOn) {
  MemoryProfile profile;
  profile.WriteInt("ALLGEMEIN", "FERNDEBUG", 1);
  // A mailslot that could not be opened is the roads' state, not a setting.
  const Settings s = LoadSettings(profile, kW, kH);
  SaveSettings(profile, s, s.position, {});
  EXPECT_EQ(profile.GetInt("ALLGEMEIN", "FERNDEBUG", -1), 1);
}

// Whatever was loaded is written back as held (switches as 5 stay 5), except
// the position, which is the window's, and the first-run flag, which is over.
TEST(SettingsSave, EveryKeyIsWrittenBackFromItsField) {
  MemoryProfile stored;
  int value = 100;
  for (const IntKey& k : kIntKeys) stored.WriteInt(k.section, k.key, value++);
  stored.WriteString("DATEI", "SAVEDATEI", "D:\\\xC4rger \xA7.log");
  stored.WriteString("ALLGEMEIN", "FONTNAME", "Courier New");
  const Settings s = LoadSettings(stored, kW, kH);

  MemoryProfile saved;
  const Placement window{10, 20, 610, 420, 3};  // maximised, with its restored rectangle
  SaveSettings(saved, s, window, {});
  const std::map<std::string, int> fromWindow = {{"X0", 10},  {"Y0", 20},  {"X1", 610},
                                                 {"Y1", 420}, {"SHOW", 3}, {"ERSTER_AUFRUF", 0}};
  for (const IntKey& k : kIntKeys) {
    const auto fixedValue = fromWindow.find(k.key);
    const int expected =
        fixedValue != fromWindow.end() ? fixedValue->second : stored.GetInt(k.section, k.key, -1);
    EXPECT_EQ(saved.GetInt(k.section, k.key, -1), expected) << k.key;
  }
  EXPECT_EQ(saved.GetString("DATEI", "SAVEDATEI", ""), "D:\\\xC4rger \xA7.log");
  EXPECT_EQ(saved.GetString("ALLGEMEIN", "FONTNAME", ""), "Courier New");
}

// PROTOKOLL: a value out of range reads as the default; the switches and
// the format as 0 or 1; the section goes back as held.
TEST(SettingsLoad, ProtokollIsReadWithItsRanges) {
  struct Case {
    const char* ein;
    const char* format;
    const char* groesse;
    const char* behalten;
    LogSettings expected;
  } cases[] = {
      {"1", "1", "5", "3", {1, "D:\\x.bin", 1, 5, 1, 3, 4096}},
      {"7", "2", "0", "0", {1, "D:\\x.bin", 1, 0, 1, 0, 4096}},
      {"0", "0", "-1", "100001", {0, "D:\\x.bin", 0, 10, 1, 10, 4096}},
      {"x", "x", "100000", "abc", {0, "D:\\x.bin", 0, 100000, 1, 10, 4096}},
  };
  for (const Case& c : cases) {
    MemoryProfile profile;
    profile.WriteString("PROTOKOLL", "EIN", c.ein);
    profile.WriteString("PROTOKOLL", "DATEI", "D:\\x.bin");
    profile.WriteString("PROTOKOLL", "FORMAT", c.format);
    profile.WriteString("PROTOKOLL", "GROESSE", c.groesse);
    profile.WriteString("PROTOKOLL", "BEHALTEN", c.behalten);
    const Settings s = LoadSettings(profile, kW, kH);
    EXPECT_TRUE(s.log == c.expected) << c.ein << " " << c.format << " " << c.groesse << " " << c.behalten;
    MemoryProfile saved;
    SaveSettings(saved, s, Placement(), {});
    EXPECT_TRUE(LoadSettings(saved, kW, kH).log == c.expected);
  }
  MemoryProfile none;
  EXPECT_TRUE(LoadSettings(none, kW, kH).log == LogSettings{});
  EXPECT_EQ(LogSettings{}.ein, 0);
}

TEST(SettingsSave, KeysAreWrittenInTheirOrder) {
  MemoryProfile profile;
  profile.WriteInt("SUCHEN", "ANZAHL", 2);
  profile.ForgetChanges();
  SaveSettings(profile, Settings(), Placement(), {"a"});

  std::vector<std::string> written;
  for (const auto& c : profile.Changes()) {
    written.push_back((c.kind == MemoryProfile::Change::kDelete ? "-" : "") + c.key);
  }
  const std::vector<std::string> expected = {
      "X0",        "Y0",        "X1",          "Y1",          "SHOW",         "TOPMOST",
      "SAVEDATEI", "MAXCOUNT",  "DESTRUKTOR",  "KONSTRUKTOR", "MELDUNGEN",    "STARTENDE",
      "B_TRACE",   "B_DLL",     "B_EXCEPTION", "B_THREAD",    "B_PROCESS",    "ERSTER_AUFRUF",
      "FERNDEBUG", "INTERVALL", "FONTNAME",    "FONTSIZE",    "CASESENSITIV", "PLOXEN",
      "DBWIN32",   "SYSTEMWEIT", "FOLGEN", "GRENZE", "EIN", "DATEI", "FORMAT", "GROESSE", "TAEGLICH", "BEHALTEN", "PUFFER", "-STRING_0", "-STRING_1",  "ANZAHL",       "STRING_0"};
  EXPECT_EQ(written, expected);
}

// A close leaves NETZ as it is; the network page's OK writes all of it.
TEST(SettingsSave, NetzIsWrittenOnlyByItsOwnSaveInItsOrder) {
  Settings s;
  s.network.syslog = 1;
  s.network.ziel = "loghost:514";
  MemoryProfile profile;
  SaveSettings(profile, s, Placement(), {});
  for (const auto& c : profile.Changes()) EXPECT_NE(c.section, "NETZ") << c.key;

  profile.ForgetChanges();
  SaveNetworkSettings(s.network, profile);
  std::vector<std::string> written;
  for (const auto& c : profile.Changes()) written.push_back(c.section + "." + c.key + "=" + c.value);
  const std::vector<std::string> expected = {
      "NETZ.FERNMELDUNGEN=0", "NETZ.SYSLOG=1",       "NETZ.FERNPORT=2014", "NETZ.SYSLOGPORT=514",
      "NETZ.ABSENDER=",       "NETZ.WEITERLEITEN=0", "NETZ.ZIEL=loghost:514", "NETZ.ZIELPROTOKOLL=TCP"};
  EXPECT_EQ(written, expected);
}

// ------------------------------------------------------------ integer text

struct IntText {
  const char* text;
  int expected;  // -77, the fallback, where the text is not a number
};

class SettingsIntTextTest : public ::testing::TestWithParam<IntText> {};

TEST_P(SettingsIntTextTest, OnlyDecimalTextIsANumber) {
  EXPECT_EQ(ParseProfileInt(GetParam().text, -77), GetParam().expected)
      << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SettingsIntTextTest,
    ::testing::Values(IntText{" \t42 ", 42}, IntText{"+7", 7}, IntText{"-007", -7},
                      IntText{"2147483647", INT_MAX}, IntText{"-2147483648", INT_MIN},
                      IntText{"2147483648", -77}, IntText{"-2147483649", -77},
                      IntText{"99999999999999999999", -77}, IntText{"12abc", -77}, IntText{"", -77},
                      IntText{"-", -77}, IntText{"1 2", -77}, IntText{"0x10", -77}));

// ------------------------------------------------------------ profile path

TEST(SettingsProfilePath, PloxenIniWinsWhenNotEmpty) {
  EXPECT_EQ(ProfilePath("D:\\t\\p.ini", "C:\\AppData"), "D:\\t\\p.ini");
  EXPECT_EQ(ProfilePath("", "C:\\AppData"), "C:\\AppData\\PLOXEN\\PLOXEN.INI");
  EXPECT_EQ(ProfilePath("", "C:\\AppData\\"), "C:\\AppData\\PLOXEN\\PLOXEN.INI");
  EXPECT_EQ(ProfilePath("", ""), "PLOXEN.INI");
  EXPECT_EQ(ProfileFolder("C:\\AppData\\PLOXEN\\PLOXEN.INI"), "C:\\AppData\\PLOXEN");
  EXPECT_EQ(ProfileFolder("PLOXEN.INI"), "");
}

}  // namespace
}  // namespace ploxen::test

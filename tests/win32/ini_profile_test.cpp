// The profile in a real INI file through the platform's private-profile
// functions, and where that file lives.
#include "fw/ini_profile.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/text.h"
#include "storage/settings.h"
#include "storage/view_rules_profile.h"
#include "tests/support/text_corpus.h"

namespace ploxen::test {
namespace {

using fw::DefaultProfilePath;
using fw::IniProfile;

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder under the temporary folder for each test; the profile goes
// into it as p.ini, or into its PLOXEN subfolder.
class IniProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    root_ = std::string(temp) + "ploxen_ini_" + std::to_string(GetCurrentProcessId()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr)) << root_;
    path_ = root_ + "\\p.ini";
  }
  void TearDown() override {
    DeleteFileA(path_.c_str());
    DeleteFileA((root_ + "\\PLOXEN\\PLOXEN.INI").c_str());
    RemoveDirectoryA((root_ + "\\PLOXEN").c_str());
    RemoveDirectoryA(root_.c_str());
  }

  std::string root_;
  std::string path_;
};

TEST_F(IniProfileTest, IntsAndCodePage1252TextSurviveTheFile) {
  const std::string text = std::string("C:\\Gr\xF6\xDF") + "e\\\xC4rger \xA7 \x80.bin";
  {
    IniProfile profile(path_);
    profile.WriteInt("LISTBOX", "MAXCOUNT", 123456);
    profile.WriteInt("POSITION", "Y0", INT_MIN);
    profile.WriteString("DATEI", "SAVEDATEI", text);
  }
  const IniProfile again(path_);
  EXPECT_EQ(again.GetInt("LISTBOX", "MAXCOUNT", 0), 123456);
  EXPECT_EQ(again.GetInt("POSITION", "Y0", 0), INT_MIN);
  EXPECT_EQ(again.GetString("DATEI", "SAVEDATEI", ""), text);
  if (GetACP() == 1252) {
    EXPECT_NE(FileBytes(path_).find("SAVEDATEI=" + text + "\r\n"), std::string::npos);
  }
}

// Search terms and patterns beyond code page 1252 are kept as UTF-8 bytes,
// whose sequences hold the five bytes 1252 leaves undefined ("\xD1\x81" is
// Cyrillic "s"): every byte must reach the file and come back as it was.
TEST_F(IniProfileTest, EveryByteOfAValueReachesTheFileAndComesBack) {
  std::string everyByte;
  for (int b = 0x21; b <= 0xFF; ++b) everyByte += static_cast<char>(b);
  const std::string values[] = {everyByte, "\x81\x8D\x8F\x90\x9D", "\xD1\x81\xD0\xB5\xD1\x80\xD0\xB2\xD0\xB5\xD1\x80",
                                "\xC5\x81\xC3\x93\x44\xC5\xB9", "\xF0\x9F\x9A\x80"};
  {
    IniProfile profile(path_);
    for (std::size_t i = 0; i < std::size(values); ++i) profile.WriteString("SUCHEN", SearchTermKey(static_cast<int>(i)), values[i]);
  }
  const IniProfile again(path_);
  const std::string file = FileBytes(path_);
  for (std::size_t i = 0; i < std::size(values); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(again.GetString("SUCHEN", SearchTermKey(static_cast<int>(i)), ""), values[i]);
    EXPECT_NE(file.find(SearchTermKey(static_cast<int>(i)) + "=" + values[i] + "\r\n"), std::string::npos);
  }
}

TEST_F(IniProfileTest, MissingFileGivesDefaultsAndReadingDoesNotCreateIt) {
  const IniProfile profile(path_);
  EXPECT_EQ(profile.GetInt("LISTBOX", "MAXCOUNT", 50000), 50000);
  EXPECT_EQ(profile.GetString("DATEI", "SAVEDATEI", "PLOXEN.BIN"), "PLOXEN.BIN");
  EXPECT_EQ(LoadSettings(profile, 1024, 768).position.x0, 1024 - 480);
  EXPECT_FALSE(Exists(path_));
}

TEST_F(IniProfileTest, PresentButEmptyStringIsEmptyNotTheDefault) {
  IniProfile profile(path_);
  profile.WriteString("DATEI", "SAVEDATEI", "");
  EXPECT_EQ(profile.GetString("DATEI", "SAVEDATEI", "PLOXEN.BIN"), "");
}

TEST_F(IniProfileTest, DeleteKeyRemovesOnlyThatKey) {
  IniProfile profile(path_);
  profile.WriteString("SUCHEN", "STRING_0", "eins");
  profile.WriteString("SUCHEN", "STRING_1", "zwei");
  profile.DeleteKey("SUCHEN", "STRING_0");
  profile.DeleteKey("SUCHEN", "STRING_9");  // never there
  EXPECT_EQ(profile.GetString("SUCHEN", "STRING_0", "weg"), "weg");
  EXPECT_EQ(profile.GetString("SUCHEN", "STRING_1", ""), "zwei");
  EXPECT_EQ(FileBytes(path_).find("STRING_0"), std::string::npos);
}

TEST_F(IniProfileTest, IntegerWithTrailingLettersReadsAsTheDefault) {
  IniProfile profile(path_);
  profile.WriteString("LISTBOX", "MAXCOUNT", "12abc");
  EXPECT_EQ(profile.GetInt("LISTBOX", "MAXCOUNT", 50000), 50000);
}

// The platform trims blanks and drops a pair of quotes around a value when
// it reads it; search terms must come back as the user typed them.
TEST_F(IniProfileTest, BlanksQuotesAndLengthOfAValueComeBackUnchanged) {
  IniProfile profile(path_);
  const std::vector<std::string> values = {
      " Fehler", "Fehler ", "\"zitiert\"", "'a'", "\"", "a\"", "  ", std::string(3000, 'k'), "x"};
  for (std::size_t i = 0; i < values.size(); ++i) {
    profile.WriteString("SUCHEN", SearchTermKey(static_cast<int>(i)), values[i]);
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(profile.GetString("SUCHEN", SearchTermKey(static_cast<int>(i)), "?"), values[i]);
  }
  // Plain values are stored plainly, as every earlier profile holds them.
  EXPECT_NE(FileBytes(path_).find("STRING_8=x\r\n"), std::string::npos);
}

TEST_F(IniProfileTest, FirstSaveCreatesThePloxenFolder) {
  const std::string path = root_ + "\\PLOXEN\\PLOXEN.INI";
  IniProfile profile(path);
  Settings s = LoadSettings(profile, 1024, 768);
  EXPECT_FALSE(Exists(root_ + "\\PLOXEN"));

  s.fontName = "Courier New";
  const std::vector<std::string> terms = {Cp1252ToUtf8(" Gr\xF6\xDF" "e"), "abc"};
  SaveSettings(profile, s, Placement{5, 6, 700, 800, 2}, terms);
  ASSERT_TRUE(Exists(path));

  const IniProfile next(path);
  const Settings back = LoadSettings(next, 1024, 768);
  EXPECT_EQ(back.fontName, "Courier New");
  EXPECT_EQ(back.ersterAufruf, 0);
  EXPECT_EQ(back.position.show, 2);
  EXPECT_EQ(ReadSearchTerms(next), terms);
}

// Terms and patterns in every script through the real file: code page 1252
// where they fit, as the file always held them, UTF-8 where not.
TEST_F(IniProfileTest, TermsAndPatternsOfEveryScriptSurviveTheFile) {
  std::vector<std::string> terms;
  std::vector<ViewRule> rules;
  for (const CorpusLine& line : TextCorpus()) {
    terms.emplace_back(CutToCharacters(line.shown, kSearchTermMax));
    ViewRule rule;
    rule.pattern = line.shown;
    rules.push_back(rule);
  }
  {
    IniProfile profile(path_);
    SaveSettings(profile, Settings(), Placement{5, 6, 700, 800, 1}, terms);
    WriteViewRules(profile, rules);
  }
  const IniProfile again(path_);
  EXPECT_EQ(ReadSearchTerms(again), terms);
  EXPECT_EQ(ReadViewRules(again), rules);
  const std::string file = FileBytes(path_);
  EXPECT_NE(file.find("STRING_1=" + Utf8ToCp1252(terms[1]) + "\r\n"), std::string::npos) << "1252 as always";
  EXPECT_NE(file.find("STRING_3=" + terms[3] + "\r\n"), std::string::npos) << "Polish as UTF-8";
}

TEST(IniProfilePlace, PloxenIniWhenSetOtherwiseApplicationData) {
  char old[4096];
  const DWORD length = GetEnvironmentVariableA("PLOXEN_INI", old, sizeof old);
  const bool hadOld = length > 0 && length < sizeof old;

  ASSERT_TRUE(SetEnvironmentVariableA("PLOXEN_INI", "C:\\irgendwo\\test.ini"));
  EXPECT_EQ(DefaultProfilePath(), "C:\\irgendwo\\test.ini");

  ASSERT_TRUE(SetEnvironmentVariableA("PLOXEN_INI", nullptr));
  const std::string path = DefaultProfilePath();
  const std::string tail = "\\PLOXEN\\PLOXEN.INI";
  ASSERT_GT(path.size(), tail.size());
  EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
  EXPECT_TRUE(Exists(path.substr(0, path.size() - tail.size()))) << path;

  SetEnvironmentVariableA("PLOXEN_INI", hadOld ? old : nullptr);
}

}  // namespace
}  // namespace ploxen::test

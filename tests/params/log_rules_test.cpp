// The log file's page rules and the log a run writes.
#include <gtest/gtest.h>

#include "params/log_rules.h"

namespace ploxen::test {
namespace {

TEST(LogRules, FileRefusals) {
  constexpr auto kOk = FolderAccess::kWritable;
  struct Case {
    const char* text;
    bool on, binary;
    FolderAccess access;
    const char* refusal;  // nullptr: accepted
  } cases[] = {
      {"", false, false, FolderAccess::kMissing, nullptr},  // off: nothing is asked
      {"", true, false, kOk, "Bitte einen Namen f\xFCr die Protokolldatei eingeben."},
      {"C:\\logs\\", true, false, kOk, "Bitte einen Namen f\xFCr die Protokolldatei eingeben."},
      {"C:\\logs\\p.txt", true, false, kOk, nullptr},
      {"C:\\logs\\p.txt", true, true, kOk,
       "Eine bin\xE4re Protokolldatei muss auf .bin oder .log enden, damit \"\xD6" "ffnen\" sie lesen kann."},
      {"C:\\logs\\p.BIN", true, true, kOk, nullptr},
      {"C:\\logs\\p.Log", true, true, kOk, nullptr},
      {"C:\\fehlt\\p.txt", true, false, FolderAccess::kMissing,
       "Den Ordner \"C:\\fehlt\" gibt es nicht. Bitte einen vorhandenen Ordner f\xFCr die Protokolldatei angeben."},
      {"C:\\Windows\\p.txt", true, false, FolderAccess::kNotWritable,
       "In den Ordner \"C:\\Windows\" darf PLOXEN nicht schreiben. Bitte einen anderen Ordner f\xFCr die "
       "Protokolldatei angeben."},
      {"p.txt", true, false, FolderAccess::kNotWritable,
       "In den Ordner des Profils darf PLOXEN nicht schreiben. Bitte einen anderen Ordner f\xFCr die "
       "Protokolldatei angeben."},
  };
  for (const Case& c : cases) {
    const auto refusal = LogFileRefusal(c.text, c.on, c.binary, c.access);
    if (c.refusal)
      EXPECT_EQ(refusal.value_or("(none)"), c.refusal) << c.text;
    else
      EXPECT_FALSE(refusal) << c.text << ": " << *refusal;
  }
}

TEST(LogRules, FolderAndPath) {
  const std::pair<const char*, const char*> folders[] = {
      {"C:\\a\\b.txt", "C:\\a"}, {"C:\\b.txt", "C:\\"}, {"b.txt", ""}, {"\\\\srv\\share\\b.txt", "\\\\srv\\share"},
      {"/tmp/b.txt", "/tmp"},    {"\\b.txt", "\\"}};
  for (const auto& [path, folder] : folders) EXPECT_EQ(LogFolder(path), folder) << path;
  EXPECT_EQ(LogFilePath("p.txt", "C:\\Profil"), "C:\\Profil\\p.txt");
  EXPECT_EQ(LogFilePath("p.txt", "C:\\Profil\\"), "C:\\Profil\\p.txt");
  EXPECT_EQ(LogFilePath("p.txt", ""), "p.txt");
  EXPECT_EQ(LogFilePath("D:\\p.txt", "C:\\Profil"), "D:\\p.txt");
  EXPECT_EQ(LogFilePath("D:p.txt", "C:\\Profil"), "D:p.txt");
}

TEST(LogRules, TheCommandLineWinsForTheRun) {
  LogSettings profile;
  profile.datei = "p.txt";
  profile.groesseMb = 2;
  profile.taeglich = 0;
  profile.dateien = 3;
  const LogRotation rotation{2u << 20, false, 3};
  struct Case {
    int ein, format;
    std::optional<std::string> commandLine;
    LogInForce expected;
  } cases[] = {
      {0, 0, std::nullopt, {false, "C:\\P\\p.txt", rotation, LogFormat::kText}},
      {1, 1, std::nullopt, {true, "C:\\P\\p.txt", rotation, LogFormat::kBinary}},
      {0, 1, std::string("D:\\x\\run.txt"), {true, "D:\\x\\run.txt", rotation, LogFormat::kText}},
      {0, 0, std::string("run.BIN"), {true, "C:\\P\\run.BIN", rotation, LogFormat::kBinary}},
      {0, 1, std::string(""), {true, "C:\\P\\p.txt", rotation, LogFormat::kBinary}},  // no file: the profile's
  };
  for (const Case& c : cases) {
    profile.ein = c.ein;
    profile.format = c.format;
    EXPECT_TRUE(LogToApply(profile, c.commandLine, "C:\\P") == c.expected) << c.commandLine.value_or("-");
  }
  profile.groesseMb = -5;
  profile.dateien = -1;
  profile.pufferKb = 3;
  const LogInForce odd = LogToApply(profile, std::nullopt, "");
  EXPECT_EQ(odd.rotation.maxBytes, 0u);
  EXPECT_EQ(odd.rotation.keep, 0);
  EXPECT_EQ(odd.backlogBytes, 16u << 10);
}

}  // namespace
}  // namespace ploxen::test

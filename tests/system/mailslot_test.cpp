// Remote mode as a user meets it: lines written with ploxen_mailslot_send
// become rows, bad lines are told in a box and counted as lost, a second
// PLOXEN cannot have the mailslot, and without remote mode there is none.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "core/intake.h"
#include "storage/binary_file.h"
#include "storage/byte_stream.h"
#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

using namespace std::string_literals;

constexpr char kUnavailable[] = "Die Betriebsart 'Ferndebug'  ist nicht m\xF6glich.";
constexpr char kBadFormat[] = "Falsches Format gelesen";

ToolRun Send(const std::string& arguments) { return RunTool("ploxen_mailslot_send.exe", arguments); }

std::string TempFile(const std::string& name) { return TempPath("mailslot_" + name); }

// Exact bytes as one message, through a file so that no code page touches them.
ToolRun SendBytes(const std::string& bytes) {
  const std::string path = TempFile("message");
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ToolRun run = Send("-rawfile \"" + path + "\"");
  DeleteFileA(path.c_str());
  return run;
}

// One mailslot name for the whole machine: tests that run side by side take
// turns.
class RemoteMode : public PloxenTest {
 protected:
  void SetUp() override { ASSERT_TRUE(turn_.Held()); }
  // The first tick creates the mailslot.
  void StartRemote(const char* name) {
    Start(name, RemoteKeys("1"));
    for (int i = 0; i < 250 && !MailslotExists(); ++i) Sleep(20);
    ASSERT_TRUE(MailslotExists());
  }
  static ProfileSetUp RemoteKeys(const char* fernDebug) {
    return Keys({{"FERNDEBUG", fernDebug}, {"INTERVALL", "100"}});
  }
  void Sent(const std::string& arguments) {
    const ToolRun run = Send(arguments);
    EXPECT_EQ(run.exitCode, 0u) << arguments << ": " << run.errors;
  }
  // The next box of the process has this text; it is closed again.
  void ExpectBox(DWORD processId, const char* text) {
    HWND box = WaitForMessageBox(processId);
    ASSERT_NE(box, nullptr) << "no box \"" << text << "\"";
    EXPECT_EQ(MessageBoxText(box), text);
    Click(box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box));
  }

  MachineTurn turn_{kMailslotTurn};
};

class NoDialogs : public UserDialogs {
 public:
  bool AskYesNo(int) override { return false; }
  bool Save() override { return false; }
};

TEST_F(RemoteMode, LinesBecomeRowsInTheirKindsColours) {
  StartRemote("remote_rows");
  Sent("-host PC07 -kind 0x103 Verbindung getrennt");
  Sent("-seq 2 -host HOST -kind 0x403 -count 2 Info");
  Sent("-raw \"4,HOST,515,Warnung, mit Komma\" -raw 5,HOST,1,Konstruktor -raw 6,HOST,259,");
  const std::pair<MessageKind, const char*> expected[] = {
      {0x103, "(PC07)  Verbindung getrennt"}, {0x403, "(HOST)  Info 1"}, {0x403, "(HOST)  Info 2"},
      {0x203, "(HOST)  Warnung, mit Komma"},  {1, "(HOST)  Konstruktor"}, {0x103, "(HOST)  "},
  };
  ASSERT_TRUE(WaitForRows(main_, static_cast<int>(std::size(expected))));
  for (int row = 0; row < static_cast<int>(std::size(expected)); ++row) {
    EXPECT_EQ(ListRowText(main_, row, 0), "");
    EXPECT_EQ(ListRowText(main_, row, 2), expected[row].second);
  }

  // Kinds and colours as a saved file holds them, against the same lines
  // through the same intake.
  MessageRows rows;
  IntakeSwitches switches;
  NoDialogs dialogs;
  MessageIntake intake(switches, rows, dialogs);
  for (const auto& [kind, text] : expected) intake.AddMessage(kind, text, kSourceSystem);
  MemorySink wanted;
  WriteBinaryFile(rows, wanted);
  const std::string saved = TempFile("rows.bin");
  ASSERT_TRUE(RunFileDialog(ploxen_.Id(), main_, kSaveButton, saved));
  std::ifstream in(saved, std::ios::binary);
  EXPECT_EQ(std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {}), wanted.Bytes());
  in.close();
  DeleteFileA(saved.c_str());
}

TEST_F(RemoteMode, RepeatsAreDroppedAndALineWithTwoCommasIsToldInABoxAndCounted) {
  StartRemote("remote_repeats");
  Sent("-raw 5,H,259,a -raw 5,H,259,b -raw 6,H,259,c -raw 5,H,259,d");
  ASSERT_TRUE(WaitForRows(main_, 3));
  EXPECT_EQ(ListRowText(main_, 2, 2), "(H)  d");
  Sent("-raw 7,HOST,259");
  ExpectBox(ploxen_.Id(), kBadFormat);
  Sent("-raw 8,H,259,danach");
  ASSERT_TRUE(WaitForRows(main_, 4)) << "the bad line added no row";
  EXPECT_EQ(ListRowText(main_, 3, 2), "(H)  danach");
  // Told and also counted; the repeats were no loss.
  EXPECT_TRUE(WaitUntil([this] { return StatusPaneText(main_, 2) == "Verlorene Zeilen: 1"; }))
      << StatusPaneText(main_, 2);
  EXPECT_EQ(StatusPaneCount(main_), 3);
  EXPECT_EQ(StatusPaneToolTip(main_, 2),
            "Verlorene Zeilen: Warteschlange voll 0, Mailslot 1, Fernmeldungen \xFC" "ber Netzwerk 0, Syslog 0, "
            "falsches Format 0, nicht erlaubte Absender 0, Weiterleitung 0, systemweit 0, Protokolldatei 0, Datei verfolgen 0");
}

TEST_F(RemoteMode, ASecondProgramIsToldOnceWhileTheFirstKeepsReceiving) {
  StartRemote("remote_second");
  PloxenProcess second;
  ASSERT_TRUE(second.Start());
  HWND secondMain = second.WaitForWindow(kTitle);
  ASSERT_NE(secondMain, nullptr);
  ExpectBox(second.Id(), kUnavailable);
  EXPECT_EQ(WaitForMessageBox(second.Id(), 1500), nullptr) << "later ticks are silent";

  Sent("-raw 1,H,259,nur beim ersten");
  ASSERT_TRUE(WaitForRows(main_, 1));
  Sleep(500);
  EXPECT_EQ(ListRowCount(secondMain), 0);
  PostMessageA(secondMain, WM_CLOSE, 0, 0);
  EXPECT_TRUE(second.WaitForExit());
}

TEST_F(RemoteMode, WithoutRemoteModeThereIsNoMailslot) {
  Start("remote_off", RemoteKeys("0"));
  ASSERT_TRUE(Responsive(main_));
  Sleep(500);
  const ToolRun run = Send("Hallo");
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_NE(run.errors.find("no mailslot \\\\.\\mailslot\\ploxen"), std::string::npos) << run.errors;
}

TEST_F(RemoteMode, BadMessagesNeitherCrashNorHang) {
  StartRemote("remote_bad");
  EXPECT_EQ(SendBytes("").exitCode, 0u);
  ExpectBox(ploxen_.Id(), kBadFormat);
  EXPECT_EQ(SendBytes("1,BIG,259," + std::string(65536 - 10, 'x')).exitCode, 0u);
  EXPECT_EQ(SendBytes("ohne Komma").exitCode, 0u);
  ExpectBox(ploxen_.Id(), kBadFormat);
  for (const std::string& message : {"2,H,259,ohne Null"s, "3,H\xC4,259,\xE4\xF6\xFC\x80"s,
                                     "99999999999999999999,H,259,gross"s,
                                     "-99999999999999999999,H,-99999999999999999999,nie gezeigt"s,
                                     "4,H,259,vor\0nach"s})
    EXPECT_EQ(SendBytes(message).exitCode, 0u) << message;
  ASSERT_TRUE(WaitForRows(main_, 5));
  ASSERT_TRUE(Responsive(main_));
  const std::string big = ListRowText(main_, 0, 2);
  EXPECT_EQ(big.size(), kMessageMax);
  EXPECT_EQ(big.substr(0, 10), "(BIG)  xxx");
  EXPECT_EQ(ListRowText(main_, 1, 2), "(H)  ohne Null");
  EXPECT_EQ(ListRowText(main_, 2, 2), "(H\xC4)  \xE4\xF6\xFC\x80");
  EXPECT_EQ(ListRowText(main_, 3, 2), "(H)  gross");
  EXPECT_EQ(ListRowText(main_, 4, 2), "(H)  vor");
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 500), nullptr);
}

}  // namespace
}  // namespace ploxen::system_test

// Saving, opening and searching in the main window through its real dialogs,
// as a user would: the file dialogs are filled in and confirmed from outside.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "core/intake.h"
#include "core/text.h"
#include "storage/binary_file.h"
#include "storage/byte_stream.h"
#include "storage/csv_export.h"
#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

constexpr int kSearchButton = 1028;
constexpr int kSearchCombo = 1027;
constexpr int kOpenCommand = 32771;

struct Line {
  ULONG_PTR kind;
  const char* text;
};
const Line kLines[] = {
    {0x103, "Fehler: \"Verbindung\", Port 7"},
    {0x403, "PID=12,TID=34,   12:03:44.100  (00000ms)   Gr\xF6\xDF" "e 42 KB"},
    {0x303, "FEHLER zwei"},
    {0x203, "Warnung drei"},
    {0x303, "noch ein fehler"},
};

std::string TempFile(const std::string& name) { return TempPath("files_" + name); }

std::vector<unsigned char> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class NoDialogs : public UserDialogs {
 public:
  bool AskYesNo(int) override { return false; }
  bool Save() override { return false; }
};

// What the program must have written: the same lines through the same intake.
struct Expected {
  std::vector<unsigned char> binary, csv;
};
Expected ExpectedFiles() {
  MessageRows rows;
  IntakeSwitches switches;
  NoDialogs dialogs;
  MessageIntake intake(switches, rows, dialogs);
  // Copy-data reads its bytes by the 8-bit rule before the intake takes them.
  for (const Line& line : kLines)
    intake.AddMessage(static_cast<MessageKind>(line.kind), EightBitToUtf8(line.text).c_str(), kSourceSystem);
  MemorySink binary, csv;
  WriteBinaryFile(rows, binary);
  ExportCsv(rows, csv);
  return {binary.Bytes(), csv.Bytes()};
}

class FilesAndSearch : public PloxenTest {
 protected:
  void SendKnownLines() {
    for (const Line& line : kLines) ASSERT_TRUE(SendLine(main_, line.kind, line.text));
    ASSERT_TRUE(WaitForRows(main_, static_cast<int>(std::size(kLines))));
  }
  // Runs a file dialog opened by the command and confirms it with the path.
  // Returns the name the dialog offered at first.
  std::string ChooseFile(int command, const std::string& path) {
    const auto offered = RunFileDialog(ploxen_.Id(), main_, command, path);
    EXPECT_TRUE(offered) << "the file dialog did not take " << path;
    EXPECT_TRUE(Responsive(main_));
    return offered.value_or("");
  }
  void Search(const std::string& term) {
    SendMessageA(GetDlgItem(main_, kSearchCombo), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(term.c_str()));
    Click(main_, kSearchButton);
  }
  // The message a search answers with, closed again; empty when none came.
  std::string SearchMessage() {
    HWND box = WaitForMessageBox(ploxen_.Id());
    if (!box) return {};
    const std::string text = MessageBoxText(box);
    Click(box, IDOK);
    EXPECT_TRUE(WaitForWindowGone(box));
    return text;
  }
  bool WaitForSelected(int row) const {
    for (int i = 0; i < 500; ++i) {
      if (Selected() == row) return true;
      Sleep(20);
    }
    return false;
  }
};

TEST_F(FilesAndSearch, SaveWritesTheFormatTheExtensionNames) {
  Start("save");
  SendKnownLines();
  const Expected expected = ExpectedFiles();
  const std::string base = TempFile("liste");
  for (const char* ext : {".bin", ".log", ".csv", "", ".txt", ".BIN"}) DeleteFileA((base + ext).c_str());

  ChooseFile(kSaveButton, base + ".bin");
  EXPECT_EQ(FileBytes(base + ".bin"), expected.binary);
  ChooseFile(kSaveButton, base + ".log");
  EXPECT_EQ(FileBytes(base + ".log"), expected.binary) << "x.log holds what x.bin holds";
  ChooseFile(kSaveButton, base + ".csv");
  EXPECT_EQ(FileBytes(base + ".csv"), expected.csv);
  ChooseFile(kSaveButton, base);
  EXPECT_EQ(FileBytes(base + ".BIN"), expected.binary) << "no extension: binary, .BIN appended";
  ChooseFile(kSaveButton, base + ".txt");
  EXPECT_FALSE(FileExists(base + ".txt")) << "an unknown extension writes nothing";
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 1000), nullptr) << "and says nothing";

  // The next dialog starts from the name chosen last; cancelling changes nothing.
  Click(main_, kSaveButton);
  HWND dialog = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(dialog, nullptr);
  const std::string offered = FieldText(FileNameField(dialog));
  EXPECT_NE(offered.find("liste.txt"), std::string::npos) << offered;
  Click(dialog, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(dialog));
  EXPECT_EQ(ListRowCount(main_), static_cast<int>(std::size(kLines)));
  Close();
  EXPECT_NE(profile_->Read("DATEI", "SAVEDATEI").find("liste.txt"), std::string::npos);
  for (const char* ext : {".bin", ".log", ".csv", ".BIN"}) DeleteFileA((base + ext).c_str());
}

TEST_F(FilesAndSearch, OpenReplacesTheListAndADamagedFileIsReported) {
  Start("open");
  SendKnownLines();
  const std::string saved = TempFile("offen.log");
  DeleteFileA(saved.c_str());
  ChooseFile(kSaveButton, saved);
  ASSERT_TRUE(FileExists(saved));
  Click(main_, 1001);  // "Liste löschen"
  ASSERT_TRUE(WaitForRows(main_, 0));
  ASSERT_TRUE(SendLine(main_, 0x303, "wird ersetzt"));
  ASSERT_TRUE(WaitForRows(main_, 1));

  ChooseFile(kOpenCommand, saved);
  ASSERT_TRUE(WaitForRows(main_, static_cast<int>(std::size(kLines))));
  EXPECT_EQ(ListRowText(main_, 0, 2), kLines[0].text);
  EXPECT_EQ(ListRowText(main_, 1, 0), "PID=12,TID=34");
  EXPECT_EQ(ListRowText(main_, 1, 1), "12:03:44.100");
  EXPECT_EQ(StatusPaneText(main_, 1), std::to_string(std::size(kLines)));
  EXPECT_TRUE(ButtonEnabled(main_, kSearchButton));

  // A binary file chosen without its extension: "offen" saves and reads offen.BIN.
  const std::string bare = TempFile("offen");
  DeleteFileA((bare + ".BIN").c_str());
  ChooseFile(kSaveButton, bare);
  ASSERT_TRUE(FileExists(bare + ".BIN"));
  Click(main_, 1001);
  ASSERT_TRUE(WaitForRows(main_, 0));
  ChooseFile(kOpenCommand, bare);
  ASSERT_TRUE(WaitForRows(main_, static_cast<int>(std::size(kLines))));
  EXPECT_EQ(ListRowText(main_, 4, 2), kLines[4].text);
  DeleteFileA((bare + ".BIN").c_str());

  // Two whole rows, then a record that runs past the end.
  std::vector<unsigned char> damaged = FileBytes(saved);
  std::size_t cut = 12;
  for (int row = 0; row < 2; ++row) {
    std::uint32_t length = 0;
    std::memcpy(&length, damaged.data() + cut, 4);
    cut += 4 + length + 4 + 3 * 8;
  }
  damaged.resize(cut + 10);
  const std::string broken = TempFile("kaputt.bin");
  {
    std::ofstream out(broken, std::ios::binary);
    out.write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
  }
  Click(main_, kOpenCommand);
  HWND dialog = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(dialog, nullptr);
  SendMessageA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(broken.c_str()));
  Click(dialog, IDOK);
  ASSERT_TRUE(WaitForWindowGone(dialog));
  HWND message = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(message, nullptr) << "the damage is reported";
  const std::string text = MessageBoxText(message);
  EXPECT_NE(text.find("kaputt.bin"), std::string::npos) << text;
  EXPECT_NE(text.find("besch\xE4" "digt"), std::string::npos) << text;
  EXPECT_NE(text.find("2 Eintr\xE4" "ge"), std::string::npos) << text;
  Click(message, IDOK);
  ASSERT_TRUE(WaitForWindowGone(message));
  EXPECT_TRUE(WaitForRows(main_, 2)) << "the rows read before the damage stay";
  Close();
  DeleteFileA(saved.c_str());
  DeleteFileA(broken.c_str());
}

TEST_F(FilesAndSearch, ALargeFileOpensWholeAndSavesBackByteForByte) {
  // Far more rows than the row limit, in every kind and colour, one row
  // longer than the program reads at a time.
  constexpr int kRowCount = 100000;
  MessageRows rows;
  for (int i = 0; i < kRowCount; ++i) {
    const std::string process = "PID=" + std::to_string(i % 977);
    const std::string message = i == kRowCount - 2 ? std::string(3 * kStreamBuffer / 2, 'L')
                                                   : "Zeile " + std::to_string(i) + std::string(i % 300, 'x');
    const std::string_view strings[] = {process, i % 3 ? "12:00:00.000" : "", message};
    const auto kind = static_cast<MessageKind>(0x100 * (i % 5) + i % 105);
    rows.AppendRow(kind, {kProcessColumnColours, kTimeColumnColours, ColourPair{static_cast<Colour>(i), kWhite}},
                   strings, 3);
  }
  const std::string large = TempFile("gross.bin");
  {
    MemorySink sink;
    ASSERT_TRUE(WriteBinaryFile(rows, sink));
    std::ofstream out(large, std::ios::binary);
    out.write(reinterpret_cast<const char*>(sink.Bytes().data()), static_cast<std::streamsize>(sink.Bytes().size()));
  }

  Start("large", [](TestProfile& profile) { profile.Write("LISTBOX", "MAXCOUNT", "1000"); });
  ChooseFile(kOpenCommand, large);
  ASSERT_TRUE(WaitForRows(main_, kRowCount, 60000));
  EXPECT_EQ(ListRowText(main_, 0, 2), "Zeile 0");
  EXPECT_EQ(ListRowText(main_, 50001, 0), "PID=" + std::to_string(50001 % 977));
  EXPECT_EQ(ListRowText(main_, kRowCount - 1, 2), rows.Row(kRowCount - 1).Text(2));
  EXPECT_EQ(ListRowText(main_, kRowCount - 2, 2).substr(0, 10), "LLLLLLLLLL");
  EXPECT_EQ(StatusPaneText(main_, 1), std::to_string(kRowCount));

  const std::string back = TempFile("zurueck.bin");
  DeleteFileA(back.c_str());
  ChooseFile(kSaveButton, back);
  ASSERT_TRUE(FileExists(back));
  EXPECT_TRUE(FileBytes(back) == FileBytes(large)) << "the rows are saved as they were read";
  Close();
  DeleteFileA(large.c_str());
  DeleteFileA(back.c_str());
}

// One click on "Suchen": the row it selects, or the message it answers with,
// after which no row is selected.
struct SearchStep {
  std::string term;
  int selects;
  const char* says = nullptr;
};
struct SearchCase {
  const char* name;
  const char* caseSensitiv;  // CASESENSITIV
  std::vector<SearchStep> steps;
};

const SearchCase kSearchCases[] = {
    {"IgnoringCase",
     "0",
     {{"fehler", 0},  // rows 0, 2 and 4
      {"fehler", 2},
      {"fehler", 4},
      {"fehler", -1, "Eintrag: 'fehler' nicht gefunden"},
      {"fehler", 0},  // from the top again
      {"12:03", 1},   // the time column
      // Folded accents, but after row 1 nothing.
      {"gr\xD6\xDF" "E", -1, "Eintrag: 'gr\xD6\xDF" "E' nicht gefunden"},
      {"gr\xD6\xDF" "E", 1},
      {"100% %s %n", -1, "Eintrag: '100% %s %n' nicht gefunden"},
      {"", -1, "Kein Suchstring angegeben"}}},
    {"CaseSensitive",
     "1",
     {{"fehler", 4},
      {"FEHLER", -1, "Eintrag: 'FEHLER' nicht gefunden"},  // after row 4 nothing
      {"FEHLER", 2}}},
};

class SearchSteps : public FilesAndSearch, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(SearchSteps, ThroughTheHitsThenSaySoAndStartAgain) {
  const SearchCase& c = GetParam();
  Start((std::string("search_") + c.name).c_str(), Keys({{"CASESENSITIV", c.caseSensitiv}}));
  SendKnownLines();
  for (const SearchStep& step : c.steps) {
    SCOPED_TRACE("searching for '" + step.term + "'");
    Search(step.term);
    if (step.says) {
      EXPECT_EQ(SearchMessage(), step.says);
      EXPECT_EQ(Selected(), -1);
    } else {
      EXPECT_TRUE(WaitForSelected(step.selects));
    }
  }
  EXPECT_TRUE(Responsive(main_));
  Close();
}

INSTANTIATE_TEST_SUITE_P(FilesAndSearch, SearchSteps, ::testing::ValuesIn(kSearchCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Enter in the search field runs "&Suchen"; while the list is empty that
// button is disabled, and Enter must not fall through to IDOK, "Schließen".
TEST_F(FilesAndSearch, EnterInTheSearchFieldSearchesAndNeverCloses) {
  Start("enter");
  HWND edit = FindWindowExA(GetDlgItem(main_, kSearchCombo), nullptr, "Edit", nullptr);
  ASSERT_NE(edit, nullptr);
  auto enter = [&] {
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
  };
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("zwei"));
  enter();
  Sleep(1000);
  ASSERT_TRUE(Responsive(main_)) << "Enter on an empty list closed the program";
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 500), nullptr);
  SendKnownLines();
  enter();
  EXPECT_TRUE(WaitForSelected(2));
  Close();
}

TEST_F(FilesAndSearch, TermsLeftInTheBoxAreRememberedAndClearedOnesForgotten) {
  Start("history");
  SendKnownLines();
  HWND combo = GetDlgItem(main_, kSearchCombo);
  // Sent, not posted: a posted notice would be handled after the next text
  // was already sent in.
  auto leave = [&] { SendMessageA(main_, WM_COMMAND, MAKEWPARAM(kSearchCombo, CBN_KILLFOCUS), reinterpret_cast<LPARAM>(combo)); };
  for (const char* term : {"abc", "abc", "ABC", "zeile"}) {
    SendMessageA(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(term));
    leave();
  }
  ASSERT_TRUE(Responsive(main_));
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);

  // Pick "zeile", clear the field, leave: it is gone.
  const LRESULT zeile = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("zeile"));
  ASSERT_GE(zeile, 0);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(zeile), 0);
  SendMessageA(main_, WM_COMMAND, MAKEWPARAM(kSearchCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  SendMessageA(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  leave();
  ASSERT_TRUE(Responsive(main_));
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
  Close();
  EXPECT_EQ(profile_->Read("SUCHEN", "ANZAHL"), "2");
  const std::string first = profile_->Read("SUCHEN", "STRING_0"), second = profile_->Read("SUCHEN", "STRING_1");
  EXPECT_TRUE((first == "abc" && second == "ABC") || (first == "ABC" && second == "abc")) << first << " " << second;
}

// The question of the row limit waits for the user; lines that arrive
// meanwhile are held and none is lost. Yes saves the full list first.
TEST_F(FilesAndSearch, RowLimitYesSavesAndTheLinesOfTheWaitAreKept) {
  Start("limit_yes", [](TestProfile& p) { p.Write("LISTBOX", "MAXCOUNT", "20"); });
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(SendLine(main_, 0x303, "voll " + std::to_string(i)));
  ASSERT_TRUE(WaitForRows(main_, 20));
  std::thread overflow([&] { SendLine(main_, 0x303, "die 21.", 8, 120000); });
  HWND question = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(question, nullptr);
  // A burst while the question is open: each line is taken (held) at once.
  // Fewer than the limit, or their replay would ask again.
  constexpr int kBurst = 15;
  for (int i = 0; i < kBurst; ++i) ASSERT_TRUE(SendLine(main_, 0x303, "w\xE4hrend " + std::to_string(i)));

  const std::string path = TempFile("voll.bin");
  DeleteFileA(path.c_str());
  Click(question, IDYES);
  HWND dialog = nullptr;
  for (int i = 0; i < 250 && !dialog; ++i) {
    HWND found = WaitForMessageBox(ploxen_.Id(), 100);
    if (found && found != question) dialog = found;
  }
  ASSERT_NE(dialog, nullptr) << "Yes opens the Save dialog";
  SendMessageA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  Click(dialog, IDOK);
  overflow.join();
  const std::vector<unsigned char> saved = FileBytes(path);
  ASSERT_GE(saved.size(), 8u);
  std::uint32_t rows = 0;
  std::memcpy(&rows, saved.data() + 4, 4);
  EXPECT_EQ(rows, 20u) << "the full list, before the new lines";
  ASSERT_TRUE(WaitForRows(main_, 1 + kBurst)) << ListRowCount(main_);
  EXPECT_EQ(ListRowText(main_, 0, 2), "die 21.");
  EXPECT_EQ(ListRowText(main_, kBurst, 2), "w\xE4hrend " + std::to_string(kBurst - 1));
  Close();
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace ploxen::system_test

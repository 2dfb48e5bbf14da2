// The main window as a user meets it: lines sent by copy-data become rows,
// the buttons and the count pane follow (and no lost-lines pane while none
// was lost), bad input cannot hurt it, and the profile is written when it
// closes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "tests/system/ploxen_test.h"

#include <psapi.h>

namespace ploxen::system_test {
namespace {

using MainWindowTest = PloxenTest;

TEST_F(MainWindowTest, EmptyListHasItsButtonsDisabledAndCountsZero) {
  Start("empty");
  EXPECT_EQ(StatusPaneText(main_, 1), "0");
  EXPECT_EQ(StatusPaneText(main_, 0), "Bereit");
  EXPECT_FALSE(ButtonEnabled(main_, 1001));
  EXPECT_FALSE(ButtonEnabled(main_, 1002));
  EXPECT_FALSE(ButtonEnabled(main_, 1028));
  EXPECT_TRUE(ButtonEnabled(main_, 1030));
  EXPECT_TRUE(ButtonEnabled(main_, 1));
  Close();
}

TEST_F(MainWindowTest, CopyDataLinesBecomeRows) {
  Start("copydata");
  ASSERT_TRUE(SendLine(main_, 0x103, "Fehler"));
  ASSERT_TRUE(SendLine(main_, 0x403, "PID=1,TID=2,   12:00:00.000  (00000ms)   Info"));
  ASSERT_TRUE(SendLine(main_, 5, "category 5 is never shown"));
  ASSERT_TRUE(WaitForRows(main_, 2));
  EXPECT_EQ(StatusPaneText(main_, 1), "2");
  EXPECT_EQ(StatusPaneToolTip(main_, 1), "Anzahl Zeilen");
  Sleep(1200);  // the lost-lines pane looks at the counts once a second
  EXPECT_EQ(StatusPaneCount(main_), 2) << "no lost-lines pane while nothing was lost";
  EXPECT_TRUE(ButtonEnabled(main_, 1001));
  EXPECT_TRUE(ButtonEnabled(main_, 1002));
  EXPECT_TRUE(ButtonEnabled(main_, 1028));

  // "Liste löschen" empties the list without asking.
  SendMessageA(main_, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
  EXPECT_EQ(ListRowCount(main_), 0);
  EXPECT_EQ(StatusPaneText(main_, 1), "0");
  EXPECT_FALSE(ButtonEnabled(main_, 1001));
  Close();
}

TEST_F(MainWindowTest, BadCopyDataNeitherCrashesNorHangs) {
  Start("badinput");
  EXPECT_TRUE(SendLine(main_, 0x303, nullptr, 0));           // no data at all
  EXPECT_TRUE(SendLine(main_, 0x303, "ohne Null", 9));       // no terminator
  const std::vector<char> nuls(64, '\0');
  EXPECT_TRUE(SendLine(main_, 0x303, nuls.data(), 64));      // empty text
  std::string huge(1 << 20, 'x');
  EXPECT_TRUE(SendLine(main_, 0x303, huge));                 // a megabyte
  for (ULONG_PTR kind : {ULONG_PTR(0), ULONG_PTR(-1), ULONG_PTR(0xFFFFFFFF), ULONG_PTR(0x123456789ULL), ULONG_PTR(0x80000003)})
    EXPECT_TRUE(SendLine(main_, kind, "jede Art"));
  ASSERT_TRUE(Responsive(main_));
  // "ohne Null", the megabyte line, and 0x80000003 (category 3).
  ASSERT_TRUE(WaitForRows(main_, 3));
  Close();
}

TEST_F(MainWindowTest, DbWin32LinesAreStampedRowsBehindThePlaceholder) {
  Start("dbwin32", [](TestProfile& p) { p.Write("ALLGEMEIN", "DBWIN32", "1"); });
  HWND listener = nullptr;
  for (int i = 0; i < 250 && !listener; ++i) {
    listener = ProcessWindowOfClass(ploxen_.Id(), "DBWin32");
    if (!listener) Sleep(20);
  }
  ASSERT_NE(listener, nullptr);
  EXPECT_EQ(WindowText(listener), "DBWin32");
  EXPECT_FALSE(IsWindowVisible(listener));
  // The sender's number is not read.
  ASSERT_TRUE(SendLine(listener, 0x103, "Hallo"));
  ASSERT_TRUE(SendLine(listener, 7, "Welt", 4));
  ASSERT_TRUE(SendLine(main_, 0x103, "abc"));
  ASSERT_TRUE(WaitForRows(main_, 3));
  EXPECT_EQ(ListRowText(main_, 0, 0), "PID=????,TID=????");
  const std::string time = ListRowText(main_, 0, 1);
  EXPECT_EQ(time.size(), 12u) << time;
  EXPECT_EQ(time.substr(2, 1) + time.substr(5, 1) + time.substr(8, 1), "::.") << time;
  EXPECT_EQ(ListRowText(main_, 0, 2), "(00000ms)   Hallo");
  const std::string second = ListRowText(main_, 1, 2);
  EXPECT_EQ(second.substr(0, 1), "(") << second;
  EXPECT_EQ(second.substr(second.size() - 4), "Welt") << second;
  // The main window's own road: no stamp, no placeholder.
  EXPECT_EQ(ListRowText(main_, 2, 0), "");
  EXPECT_EQ(ListRowText(main_, 2, 2), "abc");
  Close();
}

TEST_F(MainWindowTest, NoDbWin32WindowWhileItsRoadIsOff) {
  Start("nodbwin32");
  ASSERT_TRUE(Responsive(main_));  // its initialisation is over
  EXPECT_EQ(ProcessWindowOfClass(ploxen_.Id(), "DBWin32"), nullptr);
  Close();
}

TEST_F(MainWindowTest, RemarkTypedIntoItsDialogBecomesARow) {
  Start("remark");
  auto openRemark = [this] {
    PostMessageA(main_, WM_COMMAND, MAKEWPARAM(1030, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(main_, 1030)));
    HWND dialog = WaitForMessageBox(ploxen_.Id());
    EXPECT_NE(dialog, nullptr);
    if (dialog) {
      EXPECT_EQ(WindowText(dialog), "Bemerkung");
      SendMessageA(GetDlgItem(dialog, 1030), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Notiz f\xFCr sp\xE4ter"));
    }
    return dialog;
  };
  HWND dialog = openRemark();
  ASSERT_NE(dialog, nullptr);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  ASSERT_TRUE(WaitForRows(main_, 1));
  EXPECT_EQ(ListRowText(main_, 0, 2), "Notiz f\xFCr sp\xE4ter");

  // "Abbrechen" adds nothing.
  dialog = openRemark();
  ASSERT_NE(dialog, nullptr);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  EXPECT_TRUE(WaitForWindowGone(dialog));
  EXPECT_TRUE(Responsive(main_));
  EXPECT_EQ(ListRowCount(main_), 1);
  Close();
}

TEST_F(MainWindowTest, AboutBoxShowsTheFileVersion) {
  Start("about");
  PostMessageA(main_, WM_SYSCOMMAND, 16, 0);
  HWND about = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(WindowText(about), "Info \xFC" "ber PLOXEN");
  EXPECT_EQ(WindowText(GetDlgItem(about, 1009)), "1,1,0,0");
  PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(about, IDOK)));
  EXPECT_TRUE(WaitForWindowGone(about));
  Close();
}

bool WaitForPaneText(HWND main, int pane, const std::string& text, DWORD timeoutMs = 10000) {
  const DWORD start = GetTickCount();
  while (StatusPaneText(main, pane) != text) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

// The keyboard way into the menu: F10, then down into "Datei".
TEST_F(MainWindowTest, MenuPromptsInTheStatusBarAndReadyWhenTheMenuCloses) {
  Start("menu_prompt");
  PostMessageA(main_, WM_SYSCOMMAND, SC_KEYMENU, 0);
  PostMessageA(main_, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_TRUE(WaitForPaneText(main_, 0, "Laden einer vorher gespeicherten bin\xE4ren Datei (*.bin)"))
      << StatusPaneText(main_, 0);
  for (const char* prompt : {"\xD6" "ffnet die Protokolldatei, in die gerade geschrieben wird",
                             "Speichern nur der angezeigten Zeilen in eine Datei", "Zeigt jede neue Zeile einer Textdatei",
                             "Aufruf des Parameterdialoges"}) {
    PostMessageA(main_, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_TRUE(WaitForPaneText(main_, 0, prompt)) << StatusPaneText(main_, 0);
  }
  // On to "Ansicht" and through its items.
  PostMessageA(main_, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_TRUE(WaitForPaneText(main_, 0, "Die neueste Zeile bleibt sichtbar, wenn Zeilen hinzukommen"))
      << StatusPaneText(main_, 0);
  PostMessageA(main_, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_TRUE(WaitForPaneText(main_, 0, "Bearbeiten der Filter- und Hervorhebungsregeln")) << StatusPaneText(main_, 0);
  PostMessageA(main_, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_TRUE(WaitForPaneText(main_, 0, "Schaltet alle Filter- und Hervorhebungsregeln aus")) << StatusPaneText(main_, 0);
  PostMessageA(main_, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(main_, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitForPaneText(main_, 0, "Bereit")) << StatusPaneText(main_, 0);
  EXPECT_TRUE(Responsive(main_));
  Close();
}

// Esc and "Programm beenden" close like "Schließen" and the title bar.
TEST_F(MainWindowTest, EscAndTheMenuCloseTheProgram) {
  for (WPARAM command : {WPARAM(IDCANCEL), WPARAM(1)}) {
    SCOPED_TRACE(command == IDCANCEL ? "Esc" : "Programm beenden");
    Start(command == IDCANCEL ? "esc" : "menu");
    PostMessageA(main_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    ExpectExit();
    EXPECT_EQ(profile_->Read("ALLGEMEIN", "ERSTER_AUFRUF"), "0");
  }
}

TEST_F(MainWindowTest, FloodIsTakenWhole) {
  // Above the default row limit of 50000, which would ask its question.
  Start("flood", [](TestProfile& p) { p.Write("LISTBOX", "MAXCOUNT", "0"); });
  constexpr int kLines = 100000;
  for (int i = 0; i < kLines; ++i) {
    ASSERT_TRUE(SendLine(main_, 0x303, "Zeile " + std::to_string(i)));
    // The window keeps answering while the lines pour in.
    if (i % 25000 == 12500) {
      ASSERT_TRUE(Responsive(main_)) << i;
    }
  }
  ASSERT_TRUE(WaitForRows(main_, kLines, 30000));
  EXPECT_EQ(StatusPaneText(main_, 1), std::to_string(kLines));
  EXPECT_TRUE(Responsive(main_));
  Close();
}

// PLOXEN's peak working set so far, in KB; 0 when it cannot be read.
std::size_t PeakKilobytes(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  PROCESS_MEMORY_COUNTERS counters{};
  const bool got = process && GetProcessMemoryInfo(process, &counters, sizeof counters);
  if (process) CloseHandle(process);
  return got ? counters.PeakWorkingSetSize / 1024 : 0;
}

// GRENZE=1: a flood far past the limit asks nothing, keeps the newest rows
// and runs in the memory of its first blocks.
TEST_F(MainWindowTest, RowLimitThatDropsTheOldestAsksNothingAndKeepsMemoryFlat) {
  Start("rowlimit_drop", [](TestProfile& p) {
    p.Write("LISTBOX", "MAXCOUNT", "1000");
    p.Write("ALLGEMEIN", "GRENZE", "1");
    p.Write("ALLGEMEIN", "FOLGEN", "1");
  });
  std::atomic<bool> flooding{true};
  std::atomic<bool> boxSeen{false};
  std::thread watcher([&] {
    while (flooding && !boxSeen) {
      if (WaitForMessageBox(ploxen_.Id(), 0)) boxSeen = true;
    }
  });
  constexpr int kLines = 100000;
  std::size_t peakEarly = 0;
  for (int i = 0; i < kLines && !boxSeen; ++i) {
    ASSERT_TRUE(SendLine(main_, 0x303, "Zeile " + std::to_string(i))) << i;
    if (i + 1 == 20000) {
      ASSERT_TRUE(Responsive(main_));
      peakEarly = PeakKilobytes(ploxen_.Id());
    }
  }
  ASSERT_TRUE(Responsive(main_));
  const std::size_t peakLate = PeakKilobytes(ploxen_.Id());
  flooding = false;
  watcher.join();
  EXPECT_FALSE(boxSeen) << "a message box came up";

  ASSERT_TRUE(WaitUntil([&] { return ListRowText(main_, ListRowCount(main_) - 1, 2) == "Zeile 99999"; }));
  const int rows = ListRowCount(main_);
  EXPECT_GT(rows, 900);
  EXPECT_LE(rows, 1000);
  EXPECT_EQ(ListRowText(main_, 0, 2), "Zeile " + std::to_string(kLines - rows)) << "the newest rows, none missing";
  EXPECT_EQ(StatusPaneText(main_, 1), std::to_string(rows));
  ASSERT_GT(peakEarly, 0u);
  // Eighty thousand more rows would need megabytes if none were given back.
  EXPECT_LE(peakLate, peakEarly + 2048) << peakEarly << " KB after 20000 lines, " << peakLate << " KB after "
                                        << kLines;
  std::printf("peak working set: %zu KB after 20000 lines, %zu KB after %d\n", peakEarly, peakLate, kLines);
  Close();
}

TEST_F(MainWindowTest, RowLimitAsksAndAfterNoKeepsOnlyTheNewLine) {
  Start("rowlimit");
  Close();
  profile_->Write("LISTBOX", "MAXCOUNT", "100");
  Start("rowlimit");
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(SendLine(main_, 0x303, "voll " + std::to_string(i)));
  // The 101st line waits in the question; so does its sender.
  std::thread sender([&] { SendLine(main_, 0x303, "neu", 4, 60000); });
  HWND box = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box),
            "Die maximal Anzahl der Listboxeintr\xE4" "ge ist erreicht.\nDer Listboxinhalt wird jetzt gel\xF6" "scht.\n\n"
            "Wollen Sie den Listboxinhalt vorher in eine Datei speichern ?");
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDNO)));
  sender.join();
  ASSERT_TRUE(WaitForRows(main_, 1));
  Close();
}

TEST_F(MainWindowTest, ClosingWritesTheProfile) {
  NewProfileOfAFirstRun("closing");
  Start("closing");
  // The first start shows its notice; closing it is up to the user.
  HWND notice = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(WindowText(notice), "Wichtiger Hinweis !");
  PostMessageA(notice, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  Sleep(300);
  Close();
  EXPECT_EQ(profile_->Read("ALLGEMEIN", "ERSTER_AUFRUF"), "0");
  EXPECT_FALSE(profile_->Read("POSITION", "X0").empty());
  EXPECT_EQ(profile_->Read("POSITION", "SHOW"), "1");
  EXPECT_EQ(profile_->Read("LISTBOX", "MAXCOUNT"), "50000");

  // The second start shows no notice.
  Start("closing");
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 2500), nullptr);
  Close();
}

using Registration = PloxenTest;

TEST_F(Registration, RegSwitchEndsWithoutAWindowAndSkipsTheNotice) {
  for (const char* line : {"-Reg", "/Reg"}) {
    SCOPED_TRACE(line);
    NewProfileOfAFirstRun("reg");
    Launch("reg", line);
    ExpectExit();
    EXPECT_EQ(profile_->Read("ALLGEMEIN", "ERSTER_AUFRUF"), "0") << line;
  }
}

}  // namespace
}  // namespace ploxen::system_test

namespace ploxen::system_test {
namespace {

TEST_F(MainWindowTest, ScreenshotShowsEveryColourOfTheListSideBySide) {
  Start("shot", [](TestProfile& profile) {
    profile.Write("ALLGEMEIN", "FONTSIZE", "14");
    profile.Write("POSITION", "TOPMOST", "1");
    for (auto [key, value] :
         {std::pair<const char*, const char*>{"X0", "10"}, {"Y0", "10"}, {"X1", "900"}, {"Y1", "330"}})
      profile.Write("POSITION", key, value);
  });
  const std::pair<ULONG_PTR, const char*> lines[] = {
      {0x103, "Fehler (rot): Verbindung zum Server verloren"},
      {0x203, "Warnung (magenta): Puffer zu 90 % gef\xFCllt"},
      {0x403, "Info (dunkelblau): Gr\xF6\xDF" "e der Datei 42 KB"},
      {0x303, "PID=1208,TID=3344,   16:20:12.223  (00000ms)   Debug (schwarz): \xC4nderung \xFC" "bernommen"},
      {1, "Konstruktor der Klasse CSignal (dunkelgr\xFCn)"},
      {3, "einger\xFC" "ckt nach dem Konstruktor"},
      {2, "Destruktor der Klasse CSignal (dunkelgr\xFCn)"},
      {4, "Programmstart (blau)"},
      {100, "Trace des Programms (grau)"},
  };
  for (const auto& [kind, text] : lines) ASSERT_TRUE(SendLine(main_, kind, text));
  ASSERT_TRUE(WaitForRows(main_, 9));
  Sleep(500);
  EXPECT_TRUE(SaveWindowShot(main_, ProgramDirectory() + "\\main_window.bmp"));
  Close();
}

}  // namespace
}  // namespace ploxen::system_test

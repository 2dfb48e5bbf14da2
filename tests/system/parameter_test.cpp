// The parameter sheet as a user meets it: opened from the menu and the
// system menu, every page's change in effect at OK (the network settings in
// the profile), nothing at Cancel, refusals that keep the sheet open, the
// help of each page, and input no page should take. Screenshots of the
// pages and the help window are kept beside the test program.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

constexpr int kApply = 0x3021, kHelp = 9;
constexpr const char* kPageTitles[] = {"Allgemeine Daten", "Meldungen", "Suchen", "Remote Debug", "Email",
                                       "Information",      "VBA",       "Filter", "Netzwerk", "Protokoll", "Dateien"};
constexpr const char* kShotNames[] = {"allgemein",   "meldungen", "suchen", "remote",  "email",
                                      "information", "vba",       "filter", "netzwerk", "protokoll", "dateien"};
constexpr int kPageCount = 11;
constexpr int kNetPage = 8;  // "Netzwerk", and its controls
constexpr int kLogPage = 9, kLogFile = 1071, kLogSize = 1074, kLogKeep = 1076;  // "Protokoll"
constexpr int kFilesPage = 10;  // "Dateien", and its controls
constexpr int kFiles = 1090, kFileAdd = 1091, kFileRemove = 1092, kFileLastLines = 1093;
constexpr int kNetRemote = 1055, kNetRemotePort = 1056, kNetSyslog = 1057, kNetSyslogPort = 1058,
              kNetSenders = 1059, kNetForward = 1060, kNetTarget = 1061, kNetTcp = 1062, kNetUdp = 1063;

// The address this computer's default route leaves by (a UDP socket is
// connected, which sends nothing); empty without one.
std::string LanAddress() {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return {};
  std::string text;
  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in away{}, local{};
  away.sin_family = AF_INET;
  away.sin_port = htons(9);
  inet_pton(AF_INET, "198.51.100.1", &away.sin_addr);
  int size = sizeof local;
  char buffer[INET_ADDRSTRLEN] = {};
  if (s != INVALID_SOCKET && connect(s, reinterpret_cast<const sockaddr*>(&away), sizeof away) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&local), &size) == 0 && local.sin_addr.s_addr != 0 &&
      inet_ntop(AF_INET, &local.sin_addr, buffer, sizeof buffer))
    text = buffer;
  if (s != INVALID_SOCKET) closesocket(s);
  WSACleanup();
  return text;
}

std::string LongText(HWND control) {
  std::vector<char> text(static_cast<std::size_t>(SendMessageA(control, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
  SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

void SetText(HWND control, const std::string& text) {
  SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool Checked(HWND page, int id) { return SendMessageA(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetCheck(HWND page, int id, bool on) {
  SendMessageA(GetDlgItem(page, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

class ParameterTest : public PloxenTest {
 protected:
  // A dialog of the program (or of another one) with that title.
  HWND WaitForTopLevel(const std::string& title, DWORD timeoutMs = 10000, DWORD processId = 0) const {
    return WaitForDialog(processId ? processId : ploxen_.Id(), title, timeoutMs);
  }
  // The system's file or font dialog that a page opened.
  HWND WaitForSystemDialog(HWND sheet) const {
    HWND found = nullptr;
    WaitUntil([&] {
      found = FindProcessWindow(ploxen_.Id(), [sheet](HWND w) {
        return IsWindowVisible(w) && ClassName(w) == "#32770" && w != sheet && GetWindow(w, GW_OWNER) != nullptr;
      });
      return found != nullptr;
    });
    return found;
  }
  // From the menu command, or from the system menu.
  HWND OpenSheet(bool fromSystemMenu = false) {
    if (fromSystemMenu)
      PostMessageA(main_, WM_SYSCOMMAND, 0x20, 0);
    else
      Click(main_, 32);
    HWND sheet = WaitForTopLevel("Parameter");
    // The sheet places its buttons by a message it posts itself once it is
    // made; on a busy machine the test may look before that, when the
    // platform's own layout may already be evenly spaced.
    if (sheet) {
      WaitUntil(
          [sheet] {
            RECT ok{}, cancel{}, help{};
            GetWindowRect(GetDlgItem(sheet, IDOK), &ok);
            GetWindowRect(GetDlgItem(sheet, IDCANCEL), &cancel);
            GetWindowRect(GetDlgItem(sheet, kHelp), &help);
            return IsWindowVisible(GetDlgItem(sheet, kHelp)) && cancel.left - ok.left == help.left - cancel.left &&
                   cancel.left - ok.left == ok.right - ok.left + 20;
          },
          5000);
    }
    return sheet;
  }
  static HWND ShowPage(HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  }
  void PressOk(HWND sheet) const {
    Click(sheet, IDOK);
    ASSERT_TRUE(WaitForWindowGone(sheet));
    ASSERT_TRUE(Responsive(main_));
  }
  // The sheet refuses OK with this text, the focus in that control.
  void ExpectRefusal(HWND sheet, HWND control, const char* text) const {
    Click(sheet, IDOK);
    HWND box = WaitForTopLevel("PLOXEN");
    ASSERT_NE(box, nullptr) << "no refusal: " << text;
    EXPECT_EQ(MessageBoxText(box), text);
    Click(box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box));
    ASSERT_TRUE(Responsive(main_));
    EXPECT_TRUE(IsWindow(sheet) && IsWindowVisible(sheet)) << "the sheet stays open";
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(sheet, nullptr), &gui);
    EXPECT_EQ(gui.hwndFocus, control) << "focus in the offending edit";
  }
};

TEST_F(ParameterTest, OpensOnTheFirstPageWithOkCancelHelpAndNeverApply) {
  Start("parameter_open");
  for (bool fromSystemMenu : {false, true}) {
    SCOPED_TRACE(fromSystemMenu ? "system menu" : "menu");
    HWND sheet = OpenSheet(fromSystemMenu);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)),
              reinterpret_cast<HWND>(SendMessageA(sheet, PSM_INDEXTOHWND, 0, 0)))
        << "always opens on the first page";
    RECT ok{}, cancel{}, help{};
    GetWindowRect(GetDlgItem(sheet, IDOK), &ok);
    GetWindowRect(GetDlgItem(sheet, IDCANCEL), &cancel);
    GetWindowRect(GetDlgItem(sheet, kHelp), &help);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(sheet, kHelp)));
    EXPECT_EQ(cancel.left - ok.left, help.left - cancel.left) << "equal spacing";
    EXPECT_EQ(cancel.left - ok.left, ok.right - ok.left + 20);
    EXPECT_EQ(ok.top, help.top);
    EXPECT_EQ(SendMessageA(reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0)), TCM_GETITEMCOUNT, 0, 0), kPageCount);
    for (int i = 0; i < kPageCount; ++i) {
      HWND page = ShowPage(sheet, i);
      ASSERT_NE(page, nullptr) << i;
      EXPECT_EQ(WindowText(page), kPageTitles[i]);
      HWND apply = GetDlgItem(sheet, kApply);
      EXPECT_TRUE(!apply || !IsWindowVisible(apply)) << "Apply on page " << i;
      if (!fromSystemMenu) {
        Sleep(300);
        EXPECT_TRUE(SaveWindowShot(sheet, ProgramDirectory() + "\\parameter_" + std::to_string(i) + "_" +
                                              kShotNames[i] + ".bmp"));
      }
    }
    HWND info = ShowPage(sheet, 5);
    char computer[100] = {}, user[100] = {};
    DWORD size = 99;
    GetComputerNameA(computer, &size);
    size = 99;
    GetUserNameA(user, &size);
    EXPECT_EQ(LongText(GetDlgItem(info, 1021)), computer);
    EXPECT_EQ(LongText(GetDlgItem(info, 1022)), user);
    const std::string addresses = LongText(GetDlgItem(info, 1035));
    EXPECT_TRUE(addresses.empty() || addresses.substr(addresses.size() - 2) == "\r\n") << addresses;
    EXPECT_EQ(SendMessageA(GetDlgItem(ShowPage(sheet, 6), 1029), WM_GETTEXTLENGTH, 0, 0), 2900);
    Click(sheet, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(sheet));
  }
}

TEST_F(ParameterTest, GeneralPageTakesEffectAtOkAndIsSavedAtSessionEnd) {
  Start("parameter_general", Keys({{"POSITION.TOPMOST", "0"}, {"LISTBOX.MAXCOUNT", "50000"}}));
  ASSERT_TRUE(Responsive(main_));  // its list exists
  // Wine tells other processes neither the list's font nor the topmost
  // style; the rows a page holds show the font, the profile the rest.
  HWND list = GetDlgItem(main_, 1000);
  const LRESULT rowsPerPage = SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0);
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = ShowPage(sheet, 0);
  SetCheck(page, 1003, true);
  SetText(GetDlgItem(page, 1005), "100");
  SetText(GetDlgItem(page, 1025), "Courier New");
  SetText(GetDlgItem(page, 1026), "30");
  PressOk(sheet);

  EXPECT_LT(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0), rowsPerPage) << "taller rows in the new font";
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(SendLine(main_, 0x303, "Zeile " + std::to_string(i)));
  ASSERT_TRUE(WaitForRows(main_, 100));
  // The 101st line waits in the question; so does its sender.
  std::thread sender([this] { SendLine(main_, 0x303, "neu", 4, 60000); });
  HWND question = WaitForTopLevel("PLOXEN");
  EXPECT_NE(question, nullptr) << "the row limit of 100 is reached";
  if (question) Click(question, IDNO);
  sender.join();
  ASSERT_TRUE(WaitForRows(main_, 1));

  // Windows ending: the settings are saved while the window still exists.
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(main_, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 10000, &answer);
  EXPECT_EQ(profile_->Read("LISTBOX", "MAXCOUNT"), "100");
  EXPECT_EQ(profile_->Read("POSITION", "TOPMOST"), "1");
  EXPECT_EQ(profile_->Read("ALLGEMEIN", "FONTNAME"), "Courier New");
  EXPECT_EQ(profile_->Read("ALLGEMEIN", "FONTSIZE"), "30");
}

// MAXCOUNT=0 is "no limit": the page shows it and keeps it, so a user without
// a limit can change anything else on the sheet.
TEST_F(ParameterTest, NoRowLimitInTheProfileIsShownAndKeptThroughPageChangesAndOk) {
  Start("parameter_no_limit", Keys({{"POSITION.TOPMOST", "0"}, {"LISTBOX.MAXCOUNT", "0"}}));
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  // It opens there; even choosing the page shown may ask it to let go.
  HWND general = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  EXPECT_EQ(LongText(GetDlgItem(general, 1005)), "0");
  SetCheck(general, 1003, true);
  // Posted: a refused page change would hold a sent message in its box. A
  // refusal is answered, so that the test ends.
  const auto refused = [&](const std::string& what) {
    HWND box = WaitForTopLevel("PLOXEN", 1500);
    if (!box) return false;
    ADD_FAILURE() << "a refusal " << what << ": " << MessageBoxText(box);
    Click(box, IDOK);
    WaitForWindowGone(box);
    return true;
  };
  for (int page : {1, 0, 3}) {
    PostMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(page), 0);
    if (refused("on changing to page " + std::to_string(page))) break;
    EXPECT_TRUE(WaitUntil([&] {
      return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) ==
             reinterpret_cast<HWND>(SendMessageA(sheet, PSM_INDEXTOHWND, static_cast<WPARAM>(page), 0));
    }, 5000)) << "page " << page << " not shown";
  }
  Click(sheet, IDOK);
  if (refused("at OK")) Click(sheet, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(sheet));
  Close();
  EXPECT_EQ(profile_->Read("LISTBOX", "MAXCOUNT"), "0");
  EXPECT_EQ(profile_->Read("POSITION", "TOPMOST"), "1");
}

// The choice under the row limit: asking, as always, or dropping the oldest
// rows without a word from OK on; kept in the profile.
TEST_F(ParameterTest, WhatTheRowLimitDoesIsChosenOnTheFirstPageAndTakesEffectAtOk) {
  Start("parameter_grenze", Keys({{"LISTBOX.MAXCOUNT", "100"}}));
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = ShowPage(sheet, 0);
  EXPECT_TRUE(Checked(page, 1064)) << "asking is the default";
  EXPECT_FALSE(Checked(page, 1065));
  SetCheck(page, 1064, false);
  SetCheck(page, 1065, true);
  PressOk(sheet);
  for (int i = 0; i < 250; ++i) ASSERT_TRUE(SendLine(main_, 0x303, "Zeile " + std::to_string(i)));
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 500), nullptr) << "no question";
  ASSERT_TRUE(WaitUntil([&] { return ListRowText(main_, ListRowCount(main_) - 1, 2) == "Zeile 249"; }));
  const int rows = ListRowCount(main_);
  EXPECT_LE(rows, 100);
  EXPECT_EQ(ListRowText(main_, 0, 2), "Zeile " + std::to_string(250 - rows));
  Close();
  EXPECT_EQ(profile_->Read("ALLGEMEIN", "GRENZE"), "1");
}

TEST_F(ParameterTest, DbWin32WindowAndCategorySwitchesFollowTheirBoxes) {
  Start("parameter_switches");
  auto listener = [this] { return ProcessWindowOfClass(ploxen_.Id(), "DBWin32"); };
  ASSERT_EQ(listener(), nullptr);
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  SetCheck(ShowPage(sheet, 0), 1037, true);
  SetCheck(ShowPage(sheet, 1), 1016, false);  // general messages off
  PressOk(sheet);
  EXPECT_NE(listener(), nullptr);
  ASSERT_TRUE(SendLine(main_, 0x103, "allgemein: nicht gezeigt"));
  ASSERT_TRUE(SendLine(main_, 0x101, "Konstruktor: gezeigt"));
  ASSERT_TRUE(WaitForRows(main_, 1));
  Sleep(200);
  EXPECT_EQ(ListRowCount(main_), 1);
  EXPECT_EQ(ListRowText(main_, 0, 2), "Konstruktor: gezeigt");

  sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  SetCheck(ShowPage(sheet, 0), 1037, false);
  PressOk(sheet);
  EXPECT_EQ(listener(), nullptr);
}

TEST_F(ParameterTest, RemoteModeStartsAndStopsAtOk) {
  // One mailslot name for the machine: the remote tests take turns.
  const MachineTurn turn(kMailslotTurn);
  ASSERT_TRUE(turn.Held());
  Start("parameter_remote", Keys({{"FERNDEBUG", "0"}, {"INTERVALL", "250"}}));
  EXPECT_FALSE(MailslotExists());
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = ShowPage(sheet, 3);
  SetCheck(page, 1020, true);
  SetText(GetDlgItem(page, 1018), "100");
  PressOk(sheet);
  EXPECT_TRUE(WaitUntil(MailslotExists)) << "the first tick after OK makes it";

  sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  SetCheck(ShowPage(sheet, 3), 1020, false);
  PressOk(sheet);
  EXPECT_FALSE(MailslotExists()) << "closed at OK";
  Close();
  EXPECT_EQ(profile_->Read("ALLGEMEIN", "FERNDEBUG"), "0");
  EXPECT_EQ(profile_->Read("ALLGEMEIN", "INTERVALL"), "100");
}

TEST_F(ParameterTest, CancelChangesNothing) {
  Start("parameter_cancel", Keys({{"POSITION.TOPMOST", "0"},
                                  {"SUCHEN.ANZAHL", "2"},
                                  {"SUCHEN.STRING_0", "eins"},
                                  {"SUCHEN.STRING_1", "zwei"}}));
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND general = ShowPage(sheet, 0);
  SetCheck(general, 1003, true);
  SetText(GetDlgItem(general, 1005), "200");
  HWND search = ShowPage(sheet, 2);
  HWND terms = GetDlgItem(search, 1033);
  SendMessageA(terms, LB_SETSEL, TRUE, -1);
  SendMessageA(search, WM_COMMAND, MAKEWPARAM(1033, LBN_SELCHANGE), reinterpret_cast<LPARAM>(terms));
  Click(search, 1034);
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(terms, LB_GETCOUNT, 0, 0) == 0; }));
  Click(sheet, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(sheet));
  ASSERT_TRUE(Responsive(main_));
  EXPECT_EQ(profile_->Read("SUCHEN", "ANZAHL"), "2");
  EXPECT_EQ(profile_->Read("SUCHEN", "STRING_1"), "zwei");
  Close();
  EXPECT_EQ(profile_->Read("LISTBOX", "MAXCOUNT"), "50000");
  EXPECT_EQ(profile_->Read("POSITION", "TOPMOST"), "0");
}

TEST_F(ParameterTest, BoundsAreRefusedWithTheSheetOpenAndAcceptedAtTheLimits) {
  Start("parameter_bounds");
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND remote = ShowPage(sheet, 3);
  HWND interval = GetDlgItem(remote, 1018);
  SetText(interval, "5001");
  ExpectRefusal(sheet, interval, "Bitte eine Zahl von 100 bis 5000 eingeben.");
  SetText(interval, "5000");
  HWND general = ShowPage(sheet, 0);
  HWND rowLimit = GetDlgItem(general, 1005);
  const struct {
    std::string text;
    const char* refusal;
  } refused[] = {
      {"99", "Bitte 0 (keine Grenze) oder eine Zahl von 100 bis 1000000 eingeben."},
      {"1000001", "Bitte 0 (keine Grenze) oder eine Zahl von 100 bis 1000000 eingeben."},
      {"12abc", "Bitte eine ganze Zahl ohne Vorzeichen eingeben."},
      {"-5", "Bitte eine ganze Zahl ohne Vorzeichen eingeben."},
      {std::string(10000, '9'), "Bitte 0 (keine Grenze) oder eine Zahl von 100 bis 1000000 eingeben."},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.text.substr(0, 20));
    SetText(rowLimit, r.text);
    ExpectRefusal(sheet, rowLimit, r.refusal);
  }
  SetText(rowLimit, " 100");
  HWND saveFile = GetDlgItem(general, 1004);
  SetText(saveFile, std::string(10000, 'd'));
  ExpectRefusal(sheet, saveFile, "Bitte h\xF6" "chstens 100 Zeichen eingeben.");
  SetText(saveFile, std::string(100, 'd'));
  HWND fontSize = GetDlgItem(general, 1026);
  SetText(fontSize, std::string(10000, '7'));
  ExpectRefusal(sheet, fontSize, "Bitte eine Zahl von -2147483648 bis 2147483647 eingeben.");
  SetText(fontSize, "8");
  PressOk(sheet);
  Close();
  EXPECT_EQ(profile_->Read("LISTBOX", "MAXCOUNT"), "100");
  EXPECT_EQ(profile_->Read("ALLGEMEIN", "INTERVALL"), "5000");
  EXPECT_EQ(profile_->Read("DATEI", "SAVEDATEI"), std::string(100, 'd'));
}

// Long texts in every edit of every page, and a face name far beyond the
// font record's 32 bytes, through the font dialog and into the list font.
TEST_F(ParameterTest, LongInputIsRefusedOrCutNeverOverrun) {
  Start("parameter_long");
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  const std::string huge(10000, 'W');
  for (int i = 0; i < kPageCount; ++i) {
    HWND page = ShowPage(sheet, i);
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (ClassName(child) == "Edit") SetText(child, huge);
    if (i == 0) {
      // Fit again, so that the page can be left.
      SetText(GetDlgItem(page, 1005), "1000");
      SetText(GetDlgItem(page, 1004), "PLOXEN.BIN");
      SetText(GetDlgItem(page, 1026), "10");
      SetText(GetDlgItem(page, 1025), std::string(200, 'F'));
    }
    if (i == 3) SetText(GetDlgItem(page, 1018), "250");
    if (i == kFilesPage) SetText(GetDlgItem(page, kFileLastLines), "1000");
    if (i == kNetPage) {
      SetText(GetDlgItem(page, kNetRemotePort), "2014");
      SetText(GetDlgItem(page, kNetSyslogPort), "514");
      SetText(GetDlgItem(page, kNetSenders), "");
      SetText(GetDlgItem(page, kNetTarget), "");
    }
    if (i == kLogPage) {
      SetText(GetDlgItem(page, kLogFile), "PLOXEN-Protokoll.txt");
      SetText(GetDlgItem(page, kLogSize), "10");
      SetText(GetDlgItem(page, kLogKeep), "10");
    }
    ASSERT_TRUE(Responsive(main_)) << "page " << i;
  }
  HWND general = ShowPage(sheet, 0);
  Click(general, 1024);
  HWND fontDialog = WaitForSystemDialog(sheet);
  ASSERT_NE(fontDialog, nullptr);
  Click(fontDialog, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(fontDialog));
  EXPECT_EQ(LongText(GetDlgItem(general, 1025)), std::string(200, 'F')) << "Cancel changes nothing";
  PressOk(sheet);
  EXPECT_TRUE(SendLine(main_, 0x303, "noch da"));
  EXPECT_TRUE(WaitForRows(main_, 1));
  Close();
  EXPECT_EQ(profile_->Read("ALLGEMEIN", "FONTNAME"), std::string(200, 'F'));
}

TEST_F(ParameterTest, DeletingTwoOfThreeTermsLeavesOneInTheProfileAndTheSearchBox) {
  Start("parameter_terms", Keys({{"SUCHEN.ANZAHL", "4"},
                                 {"SUCHEN.STRING_0", "gamma"},
                                 {"SUCHEN.STRING_1", ""},
                                 {"SUCHEN.STRING_2", "alpha"},
                                 {"SUCHEN.STRING_3", "beta"}}));
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = ShowPage(sheet, 2);
  HWND terms = GetDlgItem(page, 1033);
  HWND remove = GetDlgItem(page, 1034);
  ASSERT_EQ(SendMessageA(terms, LB_GETCOUNT, 0, 0), 3) << "the empty term is not listed";
  EXPECT_FALSE(IsWindowEnabled(remove)) << "nothing selected yet";
  // As Ctrl+click on the first and the last would. The list is sorted: what
  // stays is the middle one, "beta", not the last stored term.
  SendMessageA(terms, LB_SETSEL, TRUE, 0);
  SendMessageA(terms, LB_SETSEL, TRUE, 2);
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(1033, LBN_SELCHANGE), reinterpret_cast<LPARAM>(terms));
  EXPECT_TRUE(IsWindowEnabled(remove));
  Click(page, 1034);
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(terms, LB_GETCOUNT, 0, 0) == 1; }));
  EXPECT_FALSE(IsWindowEnabled(remove));
  PressOk(sheet);
  EXPECT_EQ(profile_->Read("SUCHEN", "ANZAHL"), "1");
  EXPECT_EQ(profile_->Read("SUCHEN", "STRING_0"), "beta");
  EXPECT_EQ(LongText(GetDlgItem(main_, 1027)), "beta") << "the search box reloaded, its first entry selected";
}

TEST_F(ParameterTest, HelpShowsThePageTextInTheHelpWindow) {
  Start("parameter_help");
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  auto expectHelp = [&](int page, const char* startsWith) {
    HWND help = WaitForTopLevel("Hilfefenster");
    ASSERT_NE(help, nullptr) << "page " << page;
    EXPECT_EQ(LongText(GetDlgItem(help, 1019)).substr(0, std::string(startsWith).size()), startsWith)
        << "page " << page;
    if (page == 0) {
      Sleep(300);
      EXPECT_TRUE(SaveWindowShot(help, ProgramDirectory() + "\\parameter_help.bmp"));
    }
    Click(help, IDOK);
    ASSERT_TRUE(WaitForWindowGone(help));
    EXPECT_TRUE(IsWindowVisible(sheet)) << "the sheet stays open underneath";
  };
  const char* starts[] = {"* Immer im Vordergrund",
                          "Auf dieser Seite",
                          "In der Liste die zu l\xF6schenden",
                          "Das Programm 'GANTOR32.EXE'",
                          "Zur Zeit ist noch kein E-Mail m\xF6glich\r\n",
                          "Keine Hilfe vorhanden\r\n",
                          "Keine Hilfe vorhanden\r\n",
                          "Die Regeln bestimmen",
                          "Andere Rechner, Ger\xE4te und Linux-Rechner",
                          "Jede Zeile, die ein Weg bringt",
                          "PLOXEN.EXE verfolgt Textdateien"};
  for (int i = 0; i < kPageCount; ++i) {
    ShowPage(sheet, i);
    // F1 on the keyboard, with the sheet in front.
    SetForegroundWindow(sheet);
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    expectHelp(i, starts[i]);
    Click(sheet, kHelp);
    expectHelp(i, starts[i]);
  }
  Click(sheet, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(sheet));
}

TEST_F(ParameterTest, SaveFileAndFontComeFromTheSystemDialogs) {
  Start("parameter_dialogs");
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = ShowPage(sheet, 0);
  // An existing file is taken without a question.
  Click(page, 1017);
  HWND files = WaitForSystemDialog(sheet);
  ASSERT_NE(files, nullptr);
  HWND name = FileNameField(files);
  EXPECT_EQ(FieldText(name), "PLOXEN.BIN");
  SetText(name, profile_->Path());
  Click(files, IDOK);
  ASSERT_TRUE(WaitForWindowGone(files)) << "no overwrite prompt";
  EXPECT_EQ(lstrcmpiA(LongText(GetDlgItem(page, 1004)).c_str(), profile_->Path().c_str()), 0)
      << LongText(GetDlgItem(page, 1004));

  SetText(GetDlgItem(page, 1025), "DejaVu Sans");
  SetText(GetDlgItem(page, 1026), "10");
  Click(page, 1024);
  HWND fonts = WaitForSystemDialog(sheet);
  ASSERT_NE(fonts, nullptr);
  Click(fonts, IDOK);
  ASSERT_TRUE(WaitForWindowGone(fonts));
  EXPECT_EQ(LongText(GetDlgItem(page, 1026)), "10") << "the point size, not the height";
  EXPECT_EQ(LongText(GetDlgItem(page, 1025)), "DejaVu Sans");
  Click(sheet, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(sheet));
}


// The page shows the profile's NETZ section and OK writes back what the user
// left on it; an empty target is no refusal while forwarding is off.
TEST_F(ParameterTest, NetworkPageShowsTheProfileAndOkWritesItBack) {
  Start("parameter_netz", Keys({{"NETZ.FERNPORT", "47014"},
                                {"NETZ.ABSENDER", "10.0.0.0/8 ::1"},
                                {"NETZ.WEITERLEITEN", "1"},
                                {"NETZ.ZIEL", "127.0.0.1:9"},
                                {"NETZ.ZIELPROTOKOLL", "udp"}}));
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = ShowPage(sheet, kNetPage);
  ASSERT_NE(page, nullptr);
  EXPECT_FALSE(Checked(page, kNetRemote) || Checked(page, kNetSyslog) || Checked(page, kNetTcp));
  EXPECT_TRUE(Checked(page, kNetForward) && Checked(page, kNetUdp));
  EXPECT_EQ(LongText(GetDlgItem(page, kNetRemotePort)) + " " + LongText(GetDlgItem(page, kNetSyslogPort)), "47014 514");
  EXPECT_EQ(LongText(GetDlgItem(page, kNetSenders)), "10.0.0.0/8 ::1");
  EXPECT_EQ(LongText(GetDlgItem(page, kNetTarget)), "127.0.0.1:9");

  SetCheck(page, kNetRemote, true);
  SetText(GetDlgItem(page, kNetRemotePort), "47015");
  SetText(GetDlgItem(page, kNetSenders), "*");
  SetCheck(page, kNetForward, false);
  SetText(GetDlgItem(page, kNetTarget), "");
  SetCheck(page, kNetUdp, false);
  SetCheck(page, kNetTcp, true);
  PressOk(sheet);
  const std::pair<const char*, const char*> written[] = {
      {"FERNMELDUNGEN", "1"}, {"SYSLOG", "0"},       {"FERNPORT", "47015"}, {"SYSLOGPORT", "514"},
      {"ABSENDER", "*"},      {"WEITERLEITEN", "0"}, {"ZIEL", ""},          {"ZIELPROTOKOLL", "TCP"}};
  for (const auto& [key, value] : written) EXPECT_EQ(profile_->Read("NETZ", key), value) << key;
}

// Each refusal names what is wrong, with the focus in the field and the sheet
// open; Cancel afterwards leaves the profile as it was.
TEST_F(ParameterTest, NetworkPageRefusesBadPortsSendersAndTargetsAndCancelChangesNothing) {
  Start("parameter_netz_refused", Keys({{"NETZ.FERNPORT", "2014"}}));
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = ShowPage(sheet, kNetPage);
  ASSERT_NE(page, nullptr);
  HWND port = GetDlgItem(page, kNetSyslogPort), senders = GetDlgItem(page, kNetSenders);
  HWND target = GetDlgItem(page, kNetTarget);
  SetText(port, "0");
  ExpectRefusal(sheet, port, "Port f\xFCr Syslog: Bitte eine Zahl von 1 bis 65535 eingeben.");
  SetText(port, "5514");
  SetText(senders, "192.168.1.0/24 192.168.1.300");
  ExpectRefusal(sheet, senders,
                "Der Absender \"192.168.1.300\" ist keine g\xFCltige Adresse und kein Netz. Erlaubt sind etwa "
                "192.168.1.0/24, 10.0.0.7, ::1 oder *.");
  SetText(senders, "");
  SetCheck(page, kNetForward, true);  // now the target may not stay empty
  ExpectRefusal(sheet, target,
                "Das Ziel \"\" ist ung\xFCltig. Bitte Rechner und Port angeben, etwa loghost:514, "
                "192.168.1.5:514 oder [::1]:514 (Port 1 bis 65535).");
  // Its own syslog road as the target, by any of this computer's names or
  // addresses: every row would come round again.
  SetCheck(page, kNetSyslog, true);
  const std::string lan = LanAddress();
  for (const std::string& self : {std::string("localhost"), lan}) {
    if (self.empty()) continue;  // no network here but the loopback
    SetText(target, self + ":5514");
    ExpectRefusal(sheet, target,
                  ("Das Ziel \"" + self + ":5514\" ist der eigene Syslog-Empfang dieses PLOXEN: jede Zeile k\xE4me "
                   "zur\xFC" "ck und w\xFCrde wieder weitergeleitet, ohne Ende. Bitte einen anderen Syslog-Server oder "
                   "einen anderen Port angeben.").c_str());
  }
  Click(sheet, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(sheet));
  Close();
  EXPECT_EQ(profile_->Read("NETZ", "FERNPORT"), "2014");
  for (const char* key : {"SYSLOG", "SYSLOGPORT", "WEITERLEITEN", "ABSENDER", "ZIEL"}) EXPECT_EQ(profile_->Read("NETZ", key), "") << key;
}

// A second program could not have the mailslot; once the first is gone, an
// OK that changes nothing lets it try again.
TEST_F(ParameterTest, OkAfterAFailedMailslotTriesAgain) {
  const MachineTurn turn(kMailslotTurn);
  ASSERT_TRUE(turn.Held());
  Start("parameter_rearm", Keys({{"FERNDEBUG", "1"}, {"INTERVALL", "100"}}));
  ASSERT_TRUE(WaitUntil(MailslotExists));
  PloxenProcess late;
  ASSERT_TRUE(late.Start());
  HWND lateMain = late.WaitForWindow(kTitle);
  ASSERT_NE(lateMain, nullptr);
  HWND box = WaitForTopLevel("PLOXEN", 10000, late.Id());
  ASSERT_NE(box, nullptr);
  Click(box, IDOK);
  ASSERT_TRUE(WaitForWindowGone(box));
  Close();
  Sleep(500);
  EXPECT_FALSE(MailslotExists()) << "the second program has given up";

  Click(lateMain, 32);
  HWND sheet = WaitForTopLevel("Parameter", 10000, late.Id());
  ASSERT_NE(sheet, nullptr);
  Click(sheet, IDOK);
  ASSERT_TRUE(WaitForWindowGone(sheet));
  EXPECT_TRUE(WaitUntil(MailslotExists)) << "its next tick made the mailslot";
  PostMessageA(lateMain, WM_CLOSE, 0, 0);
  EXPECT_TRUE(late.WaitForExit());
}

// The first start's notice leads into the sheet itself.
TEST_F(ParameterTest, FirstRunNoticeOpensTheSheet) {
  NewProfileOfAFirstRun("parameter_first");
  Start("parameter_first");
  HWND notice = WaitForTopLevel("Wichtiger Hinweis !");
  ASSERT_NE(notice, nullptr);
  Click(notice, IDOK);
  HWND sheet = WaitForTopLevel("Parameter");
  ASSERT_NE(sheet, nullptr);
  // Closing the program meanwhile ends the sheet first, as Cancel would.
  Close();
}

// The page shows DATEIEN, adds a file by the system's dialog, removes the
// selected one, and OK writes the list and follows it at once.
TEST_F(ParameterTest, FilesPageAddsByTheDialogRemovesAndOkFollowsAtOnce) {
  const std::string first = TempPath("erste.log"), second = TempPath("zweite.log");
  for (const std::string* path : {&first, &second}) {
    HANDLE file = CreateFileA(path->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "alt\r\n", 5, &written, nullptr);
    CloseHandle(file);
  }
  Start("parameter_dateien", Keys({{"DATEIEN.ANZAHL", "1"}, {"DATEIEN.DATEI1", first}, {"DATEIEN.ZEILEN", "5"}}));
  ASSERT_TRUE(WaitForRows(main_, 1)) << "the file of the profile is followed from the start";
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = ShowPage(sheet, kFilesPage);
  ASSERT_NE(page, nullptr);
  HWND list = GetDlgItem(page, kFiles);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(LongText(GetDlgItem(page, kFileLastLines)), "5");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, kFileRemove))) << "nothing selected";

  Click(page, kFileAdd);
  HWND files = WaitForSystemDialog(sheet);
  ASSERT_NE(files, nullptr);
  SetText(FileNameField(files), second);
  Click(files, IDOK);
  ASSERT_TRUE(WaitForWindowGone(files));
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 2; }));

  SendMessageA(list, LB_SETSEL, TRUE, 0);
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(kFiles, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  ASSERT_TRUE(IsWindowEnabled(GetDlgItem(page, kFileRemove)));
  Click(page, kFileRemove);
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 1; }));
  PressOk(sheet);
  EXPECT_EQ(profile_->Read("DATEIEN", "ANZAHL"), "1");
  EXPECT_EQ(lstrcmpiA(profile_->Read("DATEIEN", "DATEI1").c_str(), second.c_str()), 0) << profile_->Read("DATEIEN", "DATEI1");
  EXPECT_EQ(profile_->Read("DATEIEN", "ZEILEN"), "5");
  // The new file starts with its last lines; the removed one is followed no more.
  ASSERT_TRUE(WaitForRows(main_, 2));
  EXPECT_EQ(ListRowText(main_, 1, 0), second.substr(second.find_last_of('\\') + 1));

  // Its help, by the sheet's Help button.
  ShowPage(sheet = OpenSheet(), kFilesPage);
  Click(sheet, kHelp);
  HWND help = WaitForTopLevel("Hilfefenster");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(LongText(GetDlgItem(help, 1019)).rfind("PLOXEN.EXE verfolgt Textdateien", 0), 0u);
  Click(help, IDOK);
  ASSERT_TRUE(WaitForWindowGone(help));
  Click(sheet, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(sheet));
  DeleteFileA(first.c_str());
  DeleteFileA(second.c_str());
}

}  // namespace
}  // namespace ploxen::system_test

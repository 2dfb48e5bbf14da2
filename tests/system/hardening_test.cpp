// What a user or another program can do to the main window that once went
// wrong: typing into the list, messages with pointers that are not ours,
// creation messages after the windows were made, the context-menu key's
// coordinates, a start with the window hidden, and a stored save name no file
// may have.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

constexpr int kCloseButton = 1;
constexpr int kRemarkButton = 1030;
constexpr int kSearchButton = 1028;
constexpr int kSearchTerm = 1027;

class HardeningTest : public PloxenTest {
 protected:
  int TopRow() const { return static_cast<int>(SendMessageA(List(), LVM_GETTOPINDEX, 0, 0)); }
};

TEST_F(HardeningTest, TypingIntoTheListNeitherSelectsNorScrolls) {
  Start("typing");
  for (int i = 0; i < 400; ++i)
    ASSERT_TRUE(SendLine(main_, 0x303, (i == 250 ? "Ziel " : "Zeile ") + std::to_string(i)));
  ASSERT_TRUE(WaitForRows(main_, 400));
  // "Suchen" selects the row in the middle and scrolls it into view.
  SetDlgItemTextA(main_, kSearchTerm, "Ziel");
  SendMessageA(main_, WM_COMMAND, MAKEWPARAM(kSearchButton, BN_CLICKED), 0);
  ASSERT_EQ(Selected(), 250);
  const int top = TopRow();
  ASSERT_GT(top, 0);

  for (char c : std::string("Zeile aZ0")) {
    SendMessageA(List(), WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
    ASSERT_TRUE(Responsive(main_));
  }
  EXPECT_EQ(Selected(), 250) << "a typed letter selected another row";
  EXPECT_EQ(TopRow(), top) << "a typed letter scrolled the list";
  // The next search goes on after the row the user was at.
  SetDlgItemTextA(main_, kSearchTerm, "Zeile");
  SendMessageA(main_, WM_COMMAND, MAKEWPARAM(kSearchButton, BN_CLICKED), 0);
  EXPECT_EQ(Selected(), 251);
  Close();
}

// A made-up address in no process, and one that is not mapped in PLOXEN.
const LPARAM kForeignPointers[] = {0, static_cast<LPARAM>(0x12345678), static_cast<LPARAM>(0x7ff000001230LL)};

TEST_F(HardeningTest, PointerMessagesFromAnotherProcessHurtNothing) {
  Start("foreign", [](TestProfile& p) { p.Write("ALLGEMEIN", "DBWIN32", "1"); });
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(SendLine(main_, 0x103, "vorher " + std::to_string(i)));
  ASSERT_TRUE(WaitForRows(main_, 30));
  HWND dbwin = ProcessWindowOfClass(ploxen_.Id(), "DBWin32");
  ASSERT_NE(dbwin, nullptr);
  HWND status = FindWindowExA(main_, nullptr, STATUSCLASSNAMEA, nullptr);
  ASSERT_NE(status, nullptr);

  const std::pair<const char*, HWND> targets[] = {{"main", main_}, {"DBWin32", dbwin}, {"status bar", status}, {"list", List()}};
  for (auto [name, target] : targets) {
    for (UINT msg : {WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_COMPAREITEM, WM_DELETEITEM}) {
      for (LPARAM lp : kForeignPointers) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(target, msg, kListId, lp, SMTO_ABORTIFHUNG, 5000, &answer);
        PostMessageA(target, msg, kListId, lp);
        ASSERT_TRUE(Responsive(main_)) << name << " message " << msg << " lParam " << lp;
      }
    }
    // Copy-data is carried by the system; without data it must be harmless too.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(target, WM_COPYDATA, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    ASSERT_TRUE(Responsive(main_));
  }
  ASSERT_TRUE(SendLine(main_, 0x103, "nachher"));
  ASSERT_TRUE(WaitForRows(main_, 31));
  for (int i = 0; i < 30; i += 7) EXPECT_EQ(ListRowText(main_, i, 2), "vorher " + std::to_string(i));
  EXPECT_EQ(ListRowText(main_, 30, 2), "nachher");
  EXPECT_EQ(StatusPaneText(main_, 1), "31");
  Close();
}

RECT ScreenRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

// Creation messages from another process: lParam 0, an address in no process,
// and a structure whose object pointer is 0 or made up. Wine hands
// WM_INITDIALOG over as it is, sent or posted; it copies the structure of
// WM_NCCREATE and WM_CREATE into the receiver, the object pointer in it
// unchanged, and carries neither message when it cannot read lParam, nor
// posted.
void ForgeCreationMessages(HWND target) {
  CREATESTRUCTA made{};
  made.lpszName = "fremd";
  made.lpszClass = "fremd";
  for (UINT msg : {WM_NCCREATE, WM_CREATE, WM_INITDIALOG}) {
    for (LPARAM lp : kForeignPointers) {
      DWORD_PTR answer = 0;
      SendMessageTimeoutA(target, msg, 0, lp, SMTO_ABORTIFHUNG, 5000, &answer);
      PostMessageA(target, msg, 0, lp);
      made.lpCreateParams = reinterpret_cast<void*>(lp);
      SendMessageTimeoutA(target, msg, 0, reinterpret_cast<LPARAM>(&made), SMTO_ABORTIFHUNG, 5000, &answer);
    }
  }
}

TEST_F(HardeningTest, CreationMessagesFromAnotherProcessHurtNothing) {
  // Only one program at a time can read the system-wide output: the tests of
  // that road take turns, and so does this one.
  const MachineTurn turn(kSystemWideTurn);
  ASSERT_TRUE(turn.Held());
  Start("creation", [](TestProfile& p) {
    p.Write("ALLGEMEIN", "DBWIN32", "1");
    p.Write("ALLGEMEIN", "SYSTEMWEIT", "1");
  });
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(SendLine(main_, 0x103, "vorher " + std::to_string(i)));
  ASSERT_TRUE(WaitForRows(main_, 20));
  HWND dbwin = ProcessWindowOfClass(ploxen_.Id(), "DBWin32");
  ASSERT_NE(dbwin, nullptr);
  // The roads' message-only window, which takes the lines of every worker,
  // the system-wide road's too.
  HWND roads = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (roads = FindWindowExA(HWND_MESSAGE, nullptr, "PLOXEN_Roads", nullptr); roads;
         roads = FindWindowExA(HWND_MESSAGE, roads, "PLOXEN_Roads", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(roads, &owner);
      if (owner == ploxen_.Id()) return true;
    }
    return false;
  })) << "the roads' window";
  HWND status = FindWindowExA(main_, nullptr, STATUSCLASSNAMEA, nullptr);
  ASSERT_NE(status, nullptr);

  const std::pair<const char*, HWND> targets[] = {
      {"main", main_}, {"DBWin32", dbwin}, {"roads", roads}, {"list", List()}, {"status bar", status}};
  for (auto [name, target] : targets) {
    ForgeCreationMessages(target);
    ASSERT_TRUE(Responsive(main_)) << name;
  }
  EXPECT_EQ(WindowText(main_), kTitle);
  EXPECT_EQ(WindowText(dbwin), "DBWin32") << "senders find the window by its name";
  ASSERT_TRUE(SendLine(dbwin, 0, "durch DBWin32"));
  ASSERT_TRUE(SendLine(main_, 0x103, "nachher"));
  ASSERT_TRUE(WaitForRows(main_, 22));
  for (int i = 0; i < 20; i += 6) EXPECT_EQ(ListRowText(main_, i, 2), "vorher " + std::to_string(i));
  EXPECT_NE(ListRowText(main_, 20, 2).find("durch DBWin32"), std::string::npos) << ListRowText(main_, 20, 2);
  EXPECT_EQ(ListRowText(main_, 21, 2), "nachher");
  EXPECT_EQ(StatusPaneText(main_, 1), "22");

  // The sheet and its open page, and notifications to the page that point nowhere.
  Click(main_, 32);
  HWND sheet = WaitForDialog(ploxen_.Id(), "Parameter");
  ASSERT_NE(sheet, nullptr);
  HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  ASSERT_NE(page, nullptr);
  for (HWND target : {sheet, page}) {
    ForgeCreationMessages(target);
    ASSERT_TRUE(Responsive(main_));
  }
  for (LPARAM lp : kForeignPointers) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(page, WM_NOTIFY, 0, lp, SMTO_ABORTIFHUNG, 5000, &answer);
    PostMessageA(page, WM_NOTIFY, 0, lp);
    ASSERT_TRUE(Responsive(main_)) << "notification lParam " << lp;
  }
  // A page made after them takes its values; OK still takes the first page's.
  SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
  HWND messages = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  ASSERT_NE(messages, page);
  EXPECT_EQ(SendMessageA(GetDlgItem(messages, 1016), BM_GETCHECK, 0, 0), BST_CHECKED) << "general messages are on";
  SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
  ASSERT_EQ(reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), page);
  SendMessageA(GetDlgItem(page, 1037), BM_SETCHECK, BST_UNCHECKED, 0);  // "DBWin32" off
  Click(sheet, IDOK);
  ASSERT_TRUE(WaitForWindowGone(sheet));
  EXPECT_TRUE(WaitForWindowGone(dbwin)) << "OK took the page's values";
  ASSERT_TRUE(Responsive(main_));
  EXPECT_EQ(ListRowCount(main_), 22);
  Close();
}

// The context-menu key gives -1 for both coordinates; 64-bit Windows may hand
// it over zero-extended, which a posted message shows here. Both put the row
// menu at the list's corner, a click where the mouse is.
TEST_F(HardeningTest, RowMenuFromTheKeyWhateverWidthItsMinusOneHas) {
  Start("menukey");
  ASSERT_TRUE(SendLine(main_, 0x103, "eine Zeile"));
  ASSERT_TRUE(WaitForRows(main_, 1));
  // Where every menu fits below its point: the platform moves one that would not.
  SetWindowPos(main_, nullptr, 50, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(Responsive(main_));
  const RECT list = ScreenRect(List());
  const POINT corner{list.left + 20, list.top + 20};
  const POINT mouse{list.left + 90, list.top + 60};
  const struct {
    const char* name;
    LPARAM lp;
    POINT expected;
  } cases[] = {{"key", static_cast<LPARAM>(-1), corner},
               {"key, zero-extended", static_cast<LPARAM>(0xFFFFFFFFu), corner},
               {"mouse", MAKELPARAM(mouse.x, mouse.y), mouse}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PostMessageA(List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List()), c.lp);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
      menu = FindProcessWindow(ploxen_.Id(), [](HWND w) { return IsWindowVisible(w) && ClassName(w) == "#32768"; });
      return menu != nullptr;
    })) << "no row menu";
    const RECT at = ScreenRect(menu);
    EXPECT_EQ(at.left, c.expected.x);
    EXPECT_EQ(at.top, c.expected.y);
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitForWindowGone(menu));
    ASSERT_TRUE(Responsive(main_));
  }
  Close();
}

TEST_F(HardeningTest, HiddenStartKeepsTheButtonsAboveTheStatusBar) {
  Start("hidden", [](TestProfile& p) {
    for (auto [key, value] : {std::pair<const char*, const char*>{"X0", "100"}, {"Y0", "100"}, {"X1", "700"},
                              {"Y1", "500"}, {"SHOW", "0"}})
      p.Write("POSITION", key, value);
  });
  // Hidden as while an automation client holds the object, and laid out
  // anew meanwhile.
  ShowWindow(main_, SW_HIDE);
  SetWindowPos(main_, nullptr, 0, 0, 640, 420, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(Responsive(main_));
  ShowWindow(main_, SW_SHOWNORMAL);
  ASSERT_TRUE(Responsive(main_));
  HWND status = FindWindowExA(main_, nullptr, STATUSCLASSNAMEA, nullptr);
  ASSERT_NE(status, nullptr);
  const RECT bar = ScreenRect(status);
  for (int id : {kCloseButton, kRemarkButton, kSearchButton, kListId}) {
    const RECT item = ScreenRect(GetDlgItem(main_, id));
    EXPECT_LE(item.bottom, bar.top) << "control " << id << " reaches under the status bar";
  }
  Close();
}

TEST_F(HardeningTest, RowLimitYesWithAStoredNameNoFileMayHaveStillSaves) {
  Start("badname", [](TestProfile& p) {
    p.Write("LISTBOX", "MAXCOUNT", "10");
    p.Write("DATEI", "SAVEDATEI", "C:\\gibt<es>\\nicht|*?.bin");
  });
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(SendLine(main_, 0x303, "voll " + std::to_string(i)));
  ASSERT_TRUE(WaitForRows(main_, 10));
  std::thread overflow([&] { SendLine(main_, 0x303, "die 11.", 8, 120000); });
  HWND question = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(question, nullptr);
  Click(question, IDYES);
  HWND dialog = nullptr;
  for (int i = 0; i < 250 && !dialog; ++i) {
    HWND found = WaitForMessageBox(ploxen_.Id(), 100);
    if (found && found != question && IsWindowVisible(found)) dialog = found;
  }
  if (!dialog) {
    overflow.join();
    FAIL() << "Yes cleared the list without a Save dialog; rows now " << ListRowCount(main_);
  }
  // Wine's dialog takes the name's last part where the platform's fails on
  // it; either way a dialog is there and the list is written.
  const std::string path = TempPath("hardening_badname.bin");
  DeleteFileA(path.c_str());
  SendMessageA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  Click(dialog, IDOK);
  overflow.join();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "the list was not written";
  char header[8] = {};
  DWORD got = 0;
  ReadFile(file, header, sizeof header, &got, nullptr);
  CloseHandle(file);
  std::uint32_t rows = 0;
  std::memcpy(&rows, header + 4, 4);
  EXPECT_EQ(rows, 10u);
  ASSERT_TRUE(WaitForRows(main_, 1));
  Close();
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace ploxen::system_test

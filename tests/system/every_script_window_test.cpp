// The window with lines in every script: the list holding the corpus, copied
// by Ctrl+C, "Suchen" with a term typed in another script's capitals, a rule
// typed into the rule dialog, and the term and the pattern after a restart.
// The rows come from a file the storage writer made, so that no road is
// needed to fill the list.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/colours.h"
#include "core/row_store.h"
#include "core/text.h"
#include "storage/binary_file.h"
#include "storage/byte_stream.h"
#include "tests/support/text_corpus.h"
#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

using test::CorpusLine;
using test::TextCorpus;

constexpr int kSearchButton = 1028;
constexpr int kSearchTerm = 1027;
constexpr int kOpenCommand = 32771;
constexpr int kFilterMenu = 32774;
constexpr int kRuleNew = 1041, kRulePattern = 1047, kRules = 1040;
constexpr char kTime[] = "12:00:00.000";

std::wstring Wide(const std::string& utf8) {
  const std::u16string wide = Utf8ToUtf16(utf8);
  return std::wstring(wide.begin(), wide.end());
}

std::string Utf8(const std::wstring& wide) {
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

// Asked of the window itself: GetWindowText gives another process's edit
// only the title it was made with.
std::wstring WideText(HWND window) {
  const auto length = static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

// The text of an item of another process's list view, asked for wide.
std::wstring RemoteItemText(HWND list, int row) {
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return L"<no access>";
  constexpr int kChars = 512;
  auto* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
  std::wstring text;
  if (remote) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    item.cchTextMax = kChars;
    SIZE_T moved = 0;
    WriteProcessMemory(process, remote, &item, sizeof item, &moved);
    const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    std::vector<wchar_t> buffer(kChars + 1, L'\0');
    ReadProcessMemory(process, remote + sizeof(LVITEMW), buffer.data(), kChars * sizeof(wchar_t), &moved);
    text.assign(buffer.data(), length > 0 && length <= kChars ? static_cast<std::size_t>(length) : 0);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

// The corpus as rows of one process, in a version 2 file.
std::string CorpusFile() {
  MessageRows rows;
  for (const CorpusLine& line : TextCorpus()) {
    const std::string_view strings[] = {"PID=7", kTime, line.shown};
    rows.AppendRow(0x303, {kProcessColumnColours, kTimeColumnColours, kProcessColumnColours}, strings, 3);
  }
  MemorySink sink;
  EXPECT_TRUE(WriteBinaryFile(rows, sink));
  const std::string path = TempPath("every_script.bin");
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(sink.Bytes().data()), static_cast<std::streamsize>(sink.Bytes().size()));
  return path;
}

std::size_t CorpusIndex(const char* name) {
  for (std::size_t i = 0; i < TextCorpus().size(); ++i)
    if (std::string(TextCorpus()[i].name) == name) return i;
  ADD_FAILURE() << "no corpus line " << name;
  return 0;
}

class EveryScriptWindow : public PloxenTest {
 protected:
  // The rows the rules in force show of it.
  void OpenCorpus(int hidden = 0) {
    const std::string file = CorpusFile();
    ASSERT_TRUE(RunFileDialog(ploxen_.Id(), main_, kOpenCommand, file));
    ASSERT_TRUE(WaitForRows(main_, static_cast<int>(TextCorpus().size()) - hidden));
    DeleteFileA(file.c_str());
  }
  // Typed into the search field character by character, as a keyboard
  // with that layout would: the characters go through the message loop.
  void TypeTerm(const std::wstring& term) {
    HWND edit = FindWindowExW(GetDlgItem(main_, kSearchTerm), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (wchar_t c : term) PostMessageW(edit, WM_CHAR, c, 1);
    ASSERT_TRUE(WaitUntil([&] { return WideText(edit) == term; })) << "typed: " << Utf8(WideText(edit));
  }
  bool WaitForSelected(int row) const {
    return WaitUntil([&] { return Selected() == row; });
  }
  // A box of the program's own: its text as the user reads it, and closed.
  std::wstring TakeBox() {
    HWND box = WaitForMessageBox(ploxen_.Id());
    if (!box) return L"<no box>";
    const std::wstring text = WideText(GetDlgItem(box, 0xFFFF));
    Click(box, IDOK);
    EXPECT_TRUE(WaitForWindowGone(box));
    return text;
  }
  HWND WaitForDialog(const std::string& title) const {
    HWND found = nullptr;
    WaitUntil([&] {
      found = FindProcessWindow(ploxen_.Id(), [&title](HWND w) {
        return IsWindowVisible(w) && ClassName(w) == "#32770" && WindowText(w) == title;
      });
      return found != nullptr;
    });
    return found;
  }
  std::string CountPane() const { return StatusPaneText(main_, 1); }
};

// Ctrl+C on each row in turn: the exact text as UTF-16, and code page 1252
// with "?" for what it lacks.
TEST_F(EveryScriptWindow, CtrlCCopiesEachRowExactAndIn1252WithQuestionMarks) {
  // Large enough to show every row whole.
  Start("every_script_copy", Keys({{"POSITION.X0", "0"}, {"POSITION.Y0", "0"}, {"POSITION.X1", "1260"},
                                   {"POSITION.Y1", "600"}, {"POSITION.TOPMOST", "1"}}));
  OpenCorpus();
  // The list holding the corpus, for a look at what the fonts show; nothing
  // here is asserted of its pixels.
  RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(500);
  SaveWindowShot(main_, TempPath("every_script_list.bmp"));
  SetForegroundWindow(main_);
  SetFocus(List());
  const RECT header = [&] {
    RECT r{};
    GetWindowRect(FindWindowExA(List(), nullptr, "SysHeader32", nullptr), &r);
    return r;
  }();
  SetCursorPos(header.left + 250, header.bottom + 6);
  INPUT click[2] = {};
  click[0].type = click[1].type = INPUT_MOUSE;
  click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, click, sizeof(INPUT));
  ASSERT_TRUE(WaitForSelected(0));
  for (std::size_t i = 0; i < TextCorpus().size(); ++i) {
    const CorpusLine& line = TextCorpus()[i];
    SCOPED_TRACE(line.name);
    if (i > 0) {
      INPUT down[2] = {};
      down[0].type = down[1].type = INPUT_KEYBOARD;
      down[0].ki.wVk = down[1].ki.wVk = VK_DOWN;
      down[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, down, sizeof(INPUT));
      ASSERT_TRUE(WaitForSelected(static_cast<int>(i)));
    }
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    INPUT keys[4] = {};
    for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[3].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = keys[2].ki.wVk = 'C';
    keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, keys, sizeof(INPUT));
    const std::string row = std::string("PID=7\t") + kTime + "\t" + line.shown + "\r\n";
    std::string ansi;
    std::wstring wide;
    EXPECT_TRUE(WaitUntil([&] {
      if (!OpenClipboard(nullptr)) return false;
      if (HANDLE a = GetClipboardData(CF_TEXT)) {
        ansi = static_cast<const char*>(GlobalLock(a));
        GlobalUnlock(a);
      }
      if (HANDLE w = GetClipboardData(CF_UNICODETEXT)) {
        wide = static_cast<const wchar_t*>(GlobalLock(w));
        GlobalUnlock(w);
      }
      CloseClipboard();
      return !wide.empty();
    }));
    EXPECT_EQ(Utf8(wide), row);
    EXPECT_EQ(ansi, Utf8ToCp1252(row));
  }
  Close();
}

// "Suchen" with capitals typed in another script finds the row in small
// letters, says so with the term as typed when there is no further row, and
// the term is in the box after a restart, stored as UTF-8.
TEST_F(EveryScriptWindow, SearchFindsLodzByItsCapitalsAndKeepsTheTermOverARestart) {
  Start("every_script_search", Keys({{"CASESENSITIV", "0"}}));
  OpenCorpus();
  const std::wstring term = L"\u0141\u00D3D\u0179";  // ŁÓDŹ
  TypeTerm(term);
  // The focus leaves the box: the term joins the history.
  HWND combo = GetDlgItem(main_, kSearchTerm);
  SendMessageW(main_, WM_COMMAND, MAKEWPARAM(kSearchTerm, CBN_KILLFOCUS), reinterpret_cast<LPARAM>(combo));
  ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
  Click(main_, kSearchButton);
  EXPECT_TRUE(WaitForSelected(static_cast<int>(CorpusIndex("Polish"))));
  Click(main_, kSearchButton);
  EXPECT_EQ(TakeBox(), L"Eintrag: '" + term + L"' nicht gefunden");
  Close();
  EXPECT_EQ(profile_->Read("SUCHEN", "STRING_0"), "\xC5\x81\xC3\x93" "D\xC5\xB9");

  Start("every_script_search");
  EXPECT_EQ(WideText(GetDlgItem(main_, kSearchTerm)), term) << "the history's first term, in the field";
  OpenCorpus();
  Click(main_, kSearchButton);
  EXPECT_TRUE(WaitForSelected(static_cast<int>(CorpusIndex("Polish"))));
  Close();
}

// A rule typed into the rule dialog in Cyrillic capitals hides the row in
// small letters, shows as typed on the page, and does so again after a restart.
TEST_F(EveryScriptWindow, ARuleInCyrillicCapitalsHidesTheRowInSmallLettersAndSurvivesARestart) {
  Start("every_script_rule");
  OpenCorpus();
  const std::string all = std::to_string(TextCorpus().size());
  const std::string shown = std::to_string(TextCorpus().size() - 1) + " / " + all;
  const std::wstring pattern = L"\u041E\u0428\u0418\u0411\u041A\u0410";  // ОШИБКА
  Click(main_, kFilterMenu);
  HWND sheet = WaitForDialog("Parameter");
  ASSERT_NE(sheet, nullptr);
  HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  Click(page, kRuleNew);
  HWND rule = WaitForDialog("Filterregel");
  ASSERT_NE(rule, nullptr);
  HWND edit = GetDlgItem(rule, kRulePattern);
  for (wchar_t c : pattern) PostMessageW(edit, WM_CHAR, c, 1);
  ASSERT_TRUE(WaitUntil([&] { return WideText(edit) == pattern; })) << "typed: " << Utf8(WideText(edit));
  Click(rule, IDOK);
  ASSERT_TRUE(WaitForWindowGone(rule));
  // The page's line for the rule, as a screen reader reads it.
  HWND rules = GetDlgItem(page, kRules);
  ASSERT_EQ(SendMessageA(rules, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(RemoteItemText(rules, 0), L"Ausblenden (alle Spalten): " + pattern);
  Click(sheet, IDOK);
  ASSERT_TRUE(WaitForWindowGone(sheet));
  EXPECT_TRUE(WaitUntil([&] { return CountPane() == shown; })) << CountPane();
  Close();
  EXPECT_EQ(profile_->Read("FILTER", "REGEL_0"),
            "1,0,0,0,0,0,65535,\xD0\x9E\xD0\xA8\xD0\x98\xD0\x91\xD0\x9A\xD0\x90");

  Start("every_script_rule");
  OpenCorpus(1);
  EXPECT_TRUE(WaitUntil([&] { return CountPane() == shown; })) << CountPane();
  Close();
}

}  // namespace
}  // namespace ploxen::system_test

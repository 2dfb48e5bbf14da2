// The control wrappers where they decide something: texts of any length are
// read whole, the clipboard gets both formats or says why not, and the status
// bar's parts are where and what they were told.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>
#include <thread>

#include "fw/controls.h"
#include "core/text.h"
#include "search/clipboard_text.h"
#include "tests/support/text_corpus.h"

namespace ploxen::test {
namespace {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
  }
  void TearDown() override { DestroyWindow(owner_); }
  HWND Child(const char* windowClass, DWORD style) {
    return CreateWindowExA(0, windowClass, "", WS_CHILD | style, 0, 0, 200, 100, owner_, nullptr, nullptr, nullptr);
  }
  HWND owner_ = nullptr;
};

// What the clipboard holds in one format, up to its terminating zero.
template <class Char>
std::basic_string<Char> OnClipboard(UINT format) {
  std::basic_string<Char> text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(format)) {
    if (const auto* chars = static_cast<const Char*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

TEST_F(ControlsTest, LongTextsAreReadWhole) {
  fw::Edit edit(Child("EDIT", ES_AUTOHSCROLL));
  edit.SetLimit(0);
  fw::ComboBox combo(Child("COMBOBOX", CBS_DROPDOWN));
  fw::ListBox list(Child("LISTBOX", 0));
  for (std::size_t length : {0, 1, 255, 256, 1025, 70000}) {
    SCOPED_TRACE(length);
    std::string text(length, 'x');
    if (length) text.back() = '\xE4';
    edit.SetText(text);
    EXPECT_EQ(edit.Text(), text);
    EXPECT_EQ(combo.ItemText(combo.Add(text)), text);
    EXPECT_EQ(list.ItemText(list.Add(text)), text);
  }
  EXPECT_EQ(combo.ItemText(combo.Count()), "") << "no such item";
  EXPECT_EQ(list.ItemText(-1), "");
}

// A text from outside goes in and comes back as UTF-8 in every script; the
// program's own (code page 1252) by that code page's table, whatever the
// system's, and a text from outside read as 1252 has "?" for what it lacks.
TEST_F(ControlsTest, TextsGoInAndComeBackInTheirOwnEncoding) {
  fw::Edit edit(Child("EDIT", ES_AUTOHSCROLL));
  edit.SetLimit(0);
  fw::ComboBox combo(Child("COMBOBOX", CBS_DROPDOWN));
  fw::ListBox list(Child("LISTBOX", 0));
  for (const CorpusLine& line : TextCorpus()) {
    SCOPED_TRACE(line.name);
    edit.SetUtf8Text(line.shown);
    EXPECT_EQ(edit.Utf8Text(), line.shown);
    EXPECT_EQ(edit.Text(), Utf8ToCp1252(line.shown));
    EXPECT_EQ(combo.Utf8ItemText(combo.AddUtf8(line.shown)), line.shown);
    EXPECT_EQ(list.Utf8ItemText(list.AddUtf8(line.shown)), line.shown);
    EXPECT_EQ(list.ItemText(list.AddUtf8(line.shown)), Utf8ToCp1252(line.shown));
  }
  const std::string own = "Gr\xF6\xDF" "e \x80 \x84\x93 \x81\x8D\x8F\x90\x9D \xFF";
  edit.SetText(own);
  EXPECT_EQ(fw::WideControlText(edit.hwnd()), L"Gr\u00F6\u00DFe \u20AC \u201E\u201C \u0081\u008D\u008F\u0090\u009D \u00FF");
  EXPECT_EQ(edit.Utf8Text(), Cp1252ToUtf8(own));
  EXPECT_EQ(combo.Utf8ItemText(combo.Add(own)), Cp1252ToUtf8(own));
  EXPECT_EQ(list.ItemText(list.Add(own)), own);
}

TEST_F(ControlsTest, ClipboardTakesTheTextInBothFormats) {
  // Code page 1252 text goes there and back in either format, byte for byte.
  const std::string texts[] = {"", "Zeile\tmit Tab\r\n", "\x80 \xE4\xF6\xFC\xDF \x9F \x81\x8D\x8F\x90\x9D",
                               std::string(300000, 'z') + "\xFF"};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 20));
    ASSERT_EQ(fw::Clipboard(owner_).PutText(Cp1252ToUtf8(text)), nullptr);
    EXPECT_EQ(OnClipboard<char>(CF_TEXT), text);
    EXPECT_EQ(OnClipboard<char16_t>(CF_UNICODETEXT), Utf16FromCp1252(text));
  }
}

TEST_F(ControlsTest, ClipboardTakesEveryScriptExactAndCodePage1252WithQuestionMarks) {
  struct Case {
    const char* name;
    std::string utf8;
    std::string cp1252;
    std::u16string utf16;
  };
  std::vector<Case> cases = {
      {"Polish", "\xC5\x82\xC3\xB3" "d\xC5\xBA \xE2\x82\xAC", "?\xF3" "d? \x80", u"\u0142\u00F3d\u017A \u20AC"},
      {"bytes inside sequences", "\xD1\x81\xC2\x81\xC2\x9D", "?\x81\x9D", u"\u0441\u0081\u009D"},
      {"surrogate pair", "a\xF0\x9F\x9A\x80" "b", "a?b", u"a\U0001F680b"},
      {"invalid", "a\xC3(b", "a?(b", u"a\uFFFD(b"},
  };
  for (const CorpusLine& line : TextCorpus()) {
    const std::u16string wide = Utf8ToUtf16(line.shown);
    cases.push_back({line.name, line.shown, Utf8ToCp1252(line.shown), wide});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(fw::Clipboard(owner_).PutText(c.utf8), nullptr);
    EXPECT_EQ(OnClipboard<char>(CF_TEXT), c.cp1252);
    EXPECT_EQ(OnClipboard<char16_t>(CF_UNICODETEXT), c.utf16);
  }
}

TEST_F(ControlsTest, ClipboardHeldElsewhereIsWaitedForAMomentThenTold) {
  struct Case {
    DWORD heldMs;
    const char* failure;
    const char* after;
  };
  for (const Case& c : {Case{5, nullptr, "nachher"}, Case{300, kClipboardBusy, "vorher"}}) {
    SCOPED_TRACE(c.heldMs);
    ASSERT_EQ(fw::Clipboard(owner_).PutText("vorher"), nullptr);
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool held = false;
    std::thread holder([&] {
      held = OpenClipboard(nullptr) != FALSE;
      SetEvent(opened);
      if (!held) return;
      Sleep(c.heldMs);
      CloseClipboard();
    });
    // Opening it asks the owner, this thread, to hand over what it put there.
    while (MsgWaitForMultipleObjects(1, &opened, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    const char* failure = held ? fw::Clipboard(owner_).PutText("nachher") : nullptr;
    holder.join();
    CloseHandle(opened);
    ASSERT_TRUE(held);
    EXPECT_STREQ(failure, c.failure);
    EXPECT_EQ(OnClipboard<char>(CF_TEXT), c.after);
  }
}

TEST_F(ControlsTest, StatusBarPartsAreWhereAndWhatTheyWereTold) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
  ASSERT_TRUE(InitCommonControlsEx(&classes));
  fw::StatusBar bar(Child(STATUSCLASSNAMEA, 0));
  ASSERT_NE(bar.hwnd(), nullptr);
  // Wide enough for every part below, the last one reaching the end too.
  SetWindowPos(owner_, nullptr, 0, 0, 400, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  bar.FitToParent();
  const std::vector<std::vector<int>> layouts = {{-1}, {50, -1}, {40, 90, 150}, {30, 60, 90, 120}};
  for (const std::vector<int>& edges : layouts) {
    SCOPED_TRACE(edges.size());
    bar.SetParts(edges);
    EXPECT_EQ(SendMessageA(bar.hwnd(), SB_GETPARTS, 0, 0), static_cast<LRESULT>(edges.size()));
    int left = 0;
    for (std::size_t i = 0; i < edges.size(); ++i) {
      const std::string text = "Teil " + std::to_string(i) + " ä";
      bar.SetPartText(static_cast<int>(i), text.c_str());
      char shown[64] = {};
      SendMessageA(bar.hwnd(), SB_GETTEXTA, i, reinterpret_cast<LPARAM>(shown));
      EXPECT_EQ(std::string(shown), text);
      const RECT r = bar.PartRect(static_cast<int>(i));
      EXPECT_GE(r.left, left) << "part " << i;
      if (edges[i] != -1) EXPECT_LE(r.right, edges[i]) << "part " << i;
      EXPECT_GT(r.right, r.left) << "part " << i;
      left = r.right;
    }
  }
  EXPECT_EQ(bar.PartRect(10).right, 0) << "no such part";
}

TEST_F(ControlsTest, FontAndIconAreTheOnesGiven) {
  fw::Edit edit(Child("EDIT", 0));
  EXPECT_EQ(edit.Font(), nullptr) << "the system's until one is given";
  HFONT font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH, "Arial");
  ASSERT_NE(font, nullptr);
  edit.SetFont(font, false);
  EXPECT_EQ(edit.Font(), font);
  fw::Control window(owner_);
  HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
  for (WPARAM size : {ICON_BIG, ICON_SMALL}) {
    window.SetIcon(size, icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(owner_, WM_GETICON, size, 0)), icon) << size;
  }
  DestroyWindow(edit.hwnd());
  DeleteObject(font);
}

}  // namespace
}  // namespace ploxen::test

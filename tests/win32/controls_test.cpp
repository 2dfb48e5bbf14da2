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
#include "search/clipboard_text.h"

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

TEST_F(ControlsTest, ClipboardTakesTheTextInBothFormats) {
  const std::string texts[] = {"", "Zeile\tmit Tab\r\n", "\x80 \xE4\xF6\xFC\xDF \x9F \x81\x8D\x8F\x90\x9D",
                               std::string(300000, 'z') + "\xFF"};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 20));
    ASSERT_EQ(fw::Clipboard(owner_).PutText(text), nullptr);
    EXPECT_EQ(OnClipboard<char>(CF_TEXT), text);
    EXPECT_EQ(OnClipboard<char16_t>(CF_UNICODETEXT), Utf16FromCp1252(text));
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

// Window dispatch: pointers and creation messages that another process may
// send, the answers of each kind of window, and the hidden "DBWin32"
// receiver built on it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "fw/controls.h"
#include "fw/message_pointer.h"
#include "fw/window.h"
#include "roads/dbwin32_listener.h"

namespace ploxen::test {
namespace {

constexpr char kClass[] = "PloxenWindowTest";

// Records what reaches its handlers.
class RecordingWindow : public fw::Window {
 public:
  int notifies = 0, copies = 0, others = 0;

 protected:
  bool OnNotify(NMHDR*, LRESULT& result) override {
    ++notifies;
    result = 7;
    return true;
  }
  bool OnCopyData(HWND, const COPYDATASTRUCT*) override {
    ++copies;
    return true;
  }
  bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
    if (msg != WM_DRAWITEM && msg != WM_MEASUREITEM) return false;
    ++others;
    result = TRUE;
    return true;
  }
};

// Memory that is reserved but not committed, behind a committed page.
class GuardedPage {
 public:
  GuardedPage() {
    base_ = static_cast<char*>(VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE, PAGE_NOACCESS));
    if (base_) VirtualAlloc(base_, kPage, MEM_COMMIT, PAGE_READWRITE);
  }
  ~GuardedPage() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
  }
  char* Committed() const { return base_; }
  char* Reserved() const { return base_ + kPage; }
  static constexpr std::size_t kPage = 64 * 1024;

 private:
  char* base_ = nullptr;
};

TEST(ReadableMemory, OnlyCommittedReadableBytesOfThisProcess) {
  GuardedPage page;
  ASSERT_TRUE(page.Committed());
  int local = 0;
  EXPECT_TRUE(fw::ReadableMemory(&local, sizeof local));
  EXPECT_TRUE(fw::ReadableMemory(page.Committed(), GuardedPage::kPage));
  EXPECT_FALSE(fw::ReadableMemory(nullptr, 4));
  EXPECT_FALSE(fw::ReadableMemory(reinterpret_cast<void*>(0x10), 4)) << "the first page is never mapped";
  EXPECT_FALSE(fw::ReadableMemory(page.Reserved(), 4));
  EXPECT_FALSE(fw::ReadableMemory(page.Reserved() - 4, 8)) << "a structure running into uncommitted memory";
  EXPECT_FALSE(fw::ReadableMemory(reinterpret_cast<void*>(~std::uintptr_t{0} - 2), 8)) << "wraps around";
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(page.Committed(), GuardedPage::kPage, PAGE_NOACCESS, &old));
  EXPECT_FALSE(fw::ReadableMemory(page.Committed(), 4));
}

class MessagePointerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fw::Window::RegisterHiddenWindowClass(kClass, 0));
    ASSERT_TRUE(window_.Create(kClass, "", 0, 0, 0, 0, 10, 10, nullptr, nullptr));
  }
  void TearDown() override {
    if (window_.hwnd()) DestroyWindow(window_.hwnd());
  }
  LRESULT Send(UINT msg, const void* p) {
    return SendMessageA(window_.hwnd(), msg, 0, reinterpret_cast<LPARAM>(p));
  }
  RecordingWindow window_;
};

TEST_F(MessagePointerTest, ForeignPointersReachNoHandler) {
  GuardedPage page;
  ASSERT_TRUE(page.Committed());
  for (UINT msg : {WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_COPYDATA}) {
    SCOPED_TRACE(msg);
    EXPECT_EQ(Send(msg, nullptr), 0);
    EXPECT_EQ(Send(msg, reinterpret_cast<void*>(0x12345678)), 0);
    EXPECT_EQ(Send(msg, page.Reserved()), 0);
  }
  EXPECT_EQ(window_.notifies + window_.copies + window_.others, 0);
}

TEST_F(MessagePointerTest, NotificationsOnlyFromWindowsOfThisThread) {
  NMHDR header{window_.hwnd(), 1, 0};
  EXPECT_EQ(Send(WM_NOTIFY, &header), 7);
  header.hwndFrom = GetDesktopWindow();
  EXPECT_EQ(Send(WM_NOTIFY, &header), 0) << "a window of another process";
  header.hwndFrom = nullptr;
  EXPECT_EQ(Send(WM_NOTIFY, &header), 0);
  header.hwndFrom = reinterpret_cast<HWND>(0x4321);
  EXPECT_EQ(Send(WM_NOTIFY, &header), 0) << "no window at all";
  EXPECT_EQ(window_.notifies, 1);
}

TEST_F(MessagePointerTest, AGuardedControlGetsOnlyUsablePointers) {
  // The window stands in for a control of the platform: its handlers count.
  ASSERT_TRUE(fw::GuardPointerMessages(window_.hwnd()));
  NMHDR header{window_.hwnd(), 1, 0};
  EXPECT_EQ(Send(WM_NOTIFY, reinterpret_cast<void*>(0x12345678)), 0);
  EXPECT_EQ(Send(WM_NOTIFY, nullptr), 0);
  EXPECT_EQ(Send(WM_NOTIFY, &header), 7);
  EXPECT_EQ(window_.notifies, 1);
  DestroyWindow(window_.hwnd());  // lets its guard go with it
}

TEST_F(MessagePointerTest, CopyDataWhoseTextIsNotReadableIsDropped) {
  GuardedPage page;
  ASSERT_TRUE(page.Committed());
  COPYDATASTRUCT data{1, 8, page.Reserved() - 4};
  EXPECT_EQ(Send(WM_COPYDATA, &data), 0);
  data.lpData = nullptr;
  EXPECT_EQ(Send(WM_COPYDATA, &data), 0) << "a size without data";
  data.cbData = 0;
  EXPECT_EQ(Send(WM_COPYDATA, &data), TRUE) << "no data at all is a message";
  data = {1, 4, page.Committed()};
  EXPECT_EQ(Send(WM_COPYDATA, &data), TRUE);
  DRAWITEMSTRUCT item{};
  EXPECT_EQ(Send(WM_DRAWITEM, &item), TRUE);
  EXPECT_EQ(window_.copies, 2);
  EXPECT_EQ(window_.others, 1);
}

// Throws where a test says; answers WM_GETTEXTLENGTH itself otherwise.
class FailingWindow : public fw::Window {
 public:
  UINT failAt = 0;

 protected:
  bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
    if (msg == failAt) throw std::runtime_error("handler");
    if (msg != WM_GETTEXTLENGTH) return false;
    result = 99;
    return true;
  }
};

TEST(WindowDispatch, AFailedHandlerLeavesTheMessageToThePlatformAndTheObjectGoesWithItsWindow) {
  ASSERT_TRUE(fw::Window::RegisterHiddenWindowClass(kClass, 0));
  FailingWindow window;
  ASSERT_TRUE(window.Create(kClass, "abc", 0, 0, 0, 0, 10, 10, nullptr, nullptr));
  // Wide, as the window is: a narrow caller's length is the platform's count of the narrow text.
  EXPECT_EQ(SendMessageW(window.hwnd(), WM_GETTEXTLENGTH, 0, 0), 99);
  window.failAt = WM_GETTEXTLENGTH;
  EXPECT_EQ(SendMessageW(window.hwnd(), WM_GETTEXTLENGTH, 0, 0), 3) << "the platform's answer";
  window.failAt = WM_NCDESTROY;
  EXPECT_TRUE(DestroyWindow(window.hwnd()));
  EXPECT_EQ(window.hwnd(), nullptr);
}

constexpr int kTestDialog = 101;  // window_test.rc

class CountingDialog : public fw::Dialog {
 public:
  int inits = 0, oks = 0, creations = 0;

 protected:
  bool OnInit() override {
    ++inits;
    return true;
  }
  void OnOK() override { ++oks; }
  bool OnNotify(NMHDR*, LRESULT& result) override {
    result = 7;
    return true;
  }
  bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override {
    if (fw::IsCreationMessage(msg)) ++creations;
    return false;
  }
};

TEST(WindowDispatch, ADialogIsMadeOnceAndAnswersThroughItsResultSlot) {
  CountingDialog dialog;
  ASSERT_TRUE(dialog.CreateModeless(kTestDialog, nullptr));
  const HWND hwnd = dialog.hwnd();
  EXPECT_EQ(dialog.inits, 1);
  // Made again, naming this very object: the platform's default would take the name.
  CREATESTRUCTA made{};
  made.lpCreateParams = &dialog;
  made.lpszName = "fremd";
  for (UINT msg : {WM_NCCREATE, WM_CREATE, WM_INITDIALOG}) {
    EXPECT_EQ(SendMessageA(hwnd, msg, 0, reinterpret_cast<LPARAM>(&made)), 0) << msg;
    EXPECT_EQ(SendMessageA(hwnd, msg, 0, reinterpret_cast<LPARAM>(&dialog)), 0) << msg;
  }
  EXPECT_EQ(dialog.inits, 1);
  EXPECT_EQ(dialog.creations, 0);
  EXPECT_EQ(fw::ControlText(hwnd), "Probe");

  NMHDR header{hwnd, 1, 0};
  EXPECT_EQ(SendMessageA(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)), 7) << "through DWLP_MSGRESULT";
  SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_EQ(dialog.oks, 1);
  EXPECT_TRUE(DestroyWindow(hwnd));
  EXPECT_EQ(dialog.hwnd(), nullptr);
}

class DBWin32ListenerTest : public ::testing::Test {
 protected:
  DBWin32ListenerTest()
      : listener_([this](const IncomingLine& line) { lines_.push_back(line); },
                  [this] { return TimeOfDay{12, 0, 0, ++millisecond_ * 5}; }) {}

  bool Send(ULONG_PTR number, const void* data, DWORD size) {
    COPYDATASTRUCT cds{number, size, const_cast<void*>(data)};
    return SendMessageA(listener_.hwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)) == TRUE;
  }

  int millisecond_ = 0;
  std::vector<IncomingLine> lines_;
  DBWin32Listener listener_;
};

TEST_F(DBWin32ListenerTest, HiddenWindowNamedForItsSenders) {
  const BOOL created = listener_.CreateHidden(nullptr);
  ASSERT_TRUE(listener_.Exists()) << "created " << created << ", error " << GetLastError();
  char text[32] = {}, cls[32] = {};
  GetWindowTextA(listener_.hwnd(), text, sizeof text);
  GetClassNameA(listener_.hwnd(), cls, sizeof cls);
  EXPECT_STREQ(text, "DBWin32");
  EXPECT_STREQ(cls, "DBWin32");
  EXPECT_FALSE(IsWindowVisible(listener_.hwnd()));
}

TEST_F(DBWin32ListenerTest, AnyNumberAnyDataGivesAStampedDebugLine) {
  listener_.CreateHidden(nullptr);
  const char noNul[] = {'a', 'b', 'c'};
  EXPECT_TRUE(Send(0x103, "Hallo", 6));
  EXPECT_TRUE(Send(1, noNul, 3));
  EXPECT_TRUE(Send(0xFFFFFFFF, nullptr, 0));
  EXPECT_TRUE(Send(2, "vor\0nach", 9));
  ASSERT_EQ(lines_.size(), 4u);
  for (const IncomingLine& line : lines_) {
    EXPECT_EQ(line.kind, 0x303);
    EXPECT_EQ(line.source, kSourceDbWin32);
  }
  EXPECT_EQ(lines_[0].text, "PID=????,TID=????,   12:00:00.005  (00000ms)   Hallo");
  EXPECT_EQ(lines_[1].text, "PID=????,TID=????,   12:00:00.010  (00005ms)   abc");
  EXPECT_EQ(lines_[2].text, "PID=????,TID=????,   12:00:00.015  (00005ms)   ");
  EXPECT_EQ(lines_[3].text, "PID=????,TID=????,   12:00:00.020  (00005ms)   vor");
}

TEST_F(DBWin32ListenerTest, RecreatedWindowStartsItsDifferencesAgain) {
  listener_.CreateHidden(nullptr);
  Send(0, "a", 1);
  Send(0, "b", 1);
  HWND before = listener_.hwnd();
  listener_.Destroy();
  EXPECT_FALSE(listener_.Exists());
  EXPECT_FALSE(IsWindow(before)) << "senders find no receiver while it is off";
  listener_.CreateHidden(nullptr);
  ASSERT_TRUE(listener_.Exists());
  Send(0, "c", 1);
  ASSERT_EQ(lines_.size(), 3u);
  EXPECT_NE(lines_[1].text.find("(00005ms)"), std::string::npos);
  EXPECT_NE(lines_[2].text.find("(00000ms)   c"), std::string::npos) << lines_[2].text;
}

}  // namespace
}  // namespace ploxen::test

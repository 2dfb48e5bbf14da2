// Window dispatch: handing work to the window's own thread, and the hidden
// "DBWin32" receiver built on it.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "fw/window.h"
#include "sources/dbwin32_listener.h"

namespace ploxen::test {
namespace {

constexpr char kClass[] = "PloxenWindowTest";

class PlainWindow : public fw::Window {};

void PumpUntil(const std::atomic<bool>& done) {
  MSG msg;
  while (!done) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

class CallOnOwnThread : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fw::Window::RegisterHiddenWindowClass(kClass, 0));
    ASSERT_TRUE(window_.Create(kClass, "", 0, 0, 0, 0, 10, 10, nullptr, nullptr));
  }
  void TearDown() override {
    if (window_.hwnd()) DestroyWindow(window_.hwnd());
  }
  PlainWindow window_;
};

TEST_F(CallOnOwnThread, WorkerWaitsWhileItsCallRunsOnTheWindowsThread) {
  const DWORD windowThread = GetCurrentThreadId();
  std::vector<int> order;
  std::atomic<bool> done{false};
  bool ran = false;
  DWORD ranOn = 0;
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) {
      ran = window_.CallOnOwnThread([&, i] {
        ranOn = GetCurrentThreadId();
        order.push_back(i);
      });
      // The call has finished when the worker goes on.
      order.push_back(10 + i);
    }
    done = true;
  });
  PumpUntil(done);
  worker.join();
  EXPECT_TRUE(ran);
  EXPECT_EQ(ranOn, windowThread);
  EXPECT_EQ(order, (std::vector<int>{0, 10, 1, 11, 2, 12}));
}

TEST_F(CallOnOwnThread, OnItsOwnThreadTheCallRunsAtOnce) {
  bool ran = false;
  EXPECT_TRUE(window_.CallOnOwnThread([&] { ran = true; }));
  EXPECT_TRUE(ran);
}

TEST_F(CallOnOwnThread, ForgedRequestsRunNothing) {
  // Anyone may send the message number with a pointer of their choice.
  const UINT message = RegisterWindowMessageA("PLOXEN.CallOnOwnThread");
  std::function<void()> forged = [] { ADD_FAILURE() << "a call nobody handed out ran"; };
  EXPECT_EQ(SendMessageA(window_.hwnd(), message, 0, reinterpret_cast<LPARAM>(&forged)), 0);
  EXPECT_EQ(SendMessageA(window_.hwnd(), message, 0, 0x1234), 0);
  EXPECT_EQ(SendMessageA(window_.hwnd(), message, 0, 0), 0);
}

TEST_F(CallOnOwnThread, WithoutAWindowNothingRuns) {
  DestroyWindow(window_.hwnd());
  bool ran = false;
  EXPECT_FALSE(window_.CallOnOwnThread([&] { ran = true; }));
  EXPECT_FALSE(ran);
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

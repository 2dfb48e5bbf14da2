// The fixture most system tests share: a PLOXEN.EXE of the test's own with a
// profile of its own, past its first-run notice.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/system/ploxen_process.h"
#include "tests/system/ploxen_window.h"

namespace ploxen::system_test {

class PloxenTest : public ::testing::Test {
 protected:
  // The profile is made by the first start, and setUp writes into it then;
  // a later start (a restart within the test) finds it as the last run left it.
  void Start(const char* name, const std::function<void(TestProfile&)>& setUp = {}) {
    if (!profile_) {
      profile_ = std::make_unique<TestProfile>(name);
      profile_->Write("ALLGEMEIN", "ERSTER_AUFRUF", "0");
      if (setUp) setUp(*profile_);
    }
    ASSERT_TRUE(ploxen_.Start());
    main_ = ploxen_.WaitForWindow(kTitle);
    ASSERT_NE(main_, nullptr);
  }
  void Close() {
    PostMessageA(main_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(ploxen_.WaitForExit());
    EXPECT_EQ(ploxen_.ExitCode(), 0u);
  }
  HWND List() const { return GetDlgItem(main_, kListId); }
  int Selected() const {
    return static_cast<int>(SendMessageA(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }

  static constexpr int kListId = 1000;
  std::unique_ptr<TestProfile> profile_;
  PloxenProcess ploxen_;
  HWND main_ = nullptr;
};

// Polls until the condition holds; false after the timeout.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
// A file name in the temporary folder, with the test program's process id in
// it, so that tests running side by side never meet.
std::string TempPath(const std::string& name);

}  // namespace ploxen::system_test

// The fixture every system test shares: a PLOXEN.EXE of the test's own with a
// profile of its own, started, restarted and closed as a user would.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/system/ploxen_process.h"
#include "tests/system/ploxen_window.h"

namespace ploxen::system_test {

using ProfileSetUp = std::function<void(TestProfile&)>;

class PloxenTest : public ::testing::Test {
 protected:
  // A test that ends with PLOXEN still open closes it, as its user would.
  void TearDown() override {
    if (main_ && IsWindow(main_)) Close();
  }

  // Starts PLOXEN.EXE and waits for its main window. The profile is named
  // after the start: the first start under a name makes it, past the
  // first-run notice, and setUp writes into it then; a later start under the
  // same name (a restart) finds it as the last run left it.
  void Start(const char* name, const ProfileSetUp& setUp = {}) { StartWith(name, "", setUp); }
  // The same with a command line.
  void StartWith(const char* name, const std::string& arguments, const ProfileSetUp& setUp = {}) {
    Launch(name, arguments, setUp);
    WaitForMain();
  }
  // Only starts the process: for a start that shows a box before its window,
  // or that shows none. WaitForMain finds the window, ExpectExit the end.
  void Launch(const char* name, const std::string& arguments = "", const ProfileSetUp& setUp = {}) {
    if (!profile_ || profileName_ != name) {
      profile_.reset();
      profile_ = std::make_unique<TestProfile>(name);
      profileName_ = name;
      profile_->Write("ALLGEMEIN", "ERSTER_AUFRUF", "0");
      if (setUp) setUp(*profile_);
    }
    // Another profile made since (a second program's) must not take its place.
    SetEnvironmentVariableA("PLOXEN_INI", profile_->Path().c_str());
    ASSERT_TRUE(ploxen_.Start(arguments)) << "cannot start PLOXEN.EXE, error " << GetLastError();
  }
  void WaitForMain() {
    main_ = ploxen_.WaitForWindow(kTitle);
    ASSERT_NE(main_, nullptr) << "no visible window titled \"" << kTitle << "\"";
  }
  // A profile PLOXEN has never seen, for the next start under that name: it
  // shows the first-run notice.
  void NewProfileOfAFirstRun(const char* name) {
    profile_.reset();
    profile_ = std::make_unique<TestProfile>(name);
    profileName_ = name;
  }

  // Closes the window as its title bar does and waits for a clean end.
  void Close() {
    PostMessageA(main_, WM_CLOSE, 0, 0);
    ExpectExit();
  }
  // Waits for the end (after Close, a command that ends the program, or a
  // start without a window) and checks its exit code.
  void ExpectExit(DWORD exitCode = 0, DWORD timeoutMs = 15000) {
    main_ = nullptr;
    ASSERT_TRUE(ploxen_.WaitForExit(timeoutMs)) << "PLOXEN.EXE did not end within " << timeoutMs << " ms";
    EXPECT_EQ(ploxen_.ExitCode(), exitCode);
  }

  HWND List() const { return GetDlgItem(main_, kListId); }
  int Selected() const {
    return static_cast<int>(SendMessageA(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }

  static constexpr int kListId = 1000;
  std::unique_ptr<TestProfile> profile_;
  std::string profileName_;
  PloxenProcess ploxen_;
  HWND main_ = nullptr;
};

// A profile set-up that writes each "SECTION.KEY" (ALLGEMEIN when the key
// names no section) with its value.
ProfileSetUp Keys(std::vector<std::pair<std::string, std::string>> keys);

// A turn at something the machine has only once (the mailslot's name, the
// system-wide debug output): tests that run side by side wait for it, up to
// four minutes.
class MachineTurn {
 public:
  explicit MachineTurn(const char* name);
  ~MachineTurn();
  MachineTurn(const MachineTurn&) = delete;
  MachineTurn& operator=(const MachineTurn&) = delete;
  bool Held() const { return held_; }

 private:
  HANDLE turn_;
  bool held_ = false;
};
constexpr char kMailslotTurn[] = "ploxen_system_test_mailslot";
constexpr char kSystemWideTurn[] = "ploxen_system_test_systemwide";

// Some program reads the system-wide debug output. Opening its event takes
// nothing from the owner.
bool DebugOutputHeld();

// Polls until the condition holds; false after the timeout.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
// A file name in the temporary folder, with the test program's process id in
// it, so that tests running side by side never meet.
std::string TempPath(const std::string& name);

}  // namespace ploxen::system_test

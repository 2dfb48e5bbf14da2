// "Datei verfolgen" as a user meets it: files written by a Linux shell and by
// a Windows program, rotated by logrotate in both its styles, UTF-16, a
// folder, a device, a file of one 10 GB line, a writer faster than the list,
// and the menu item whose file is still followed after a restart.
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/system/ploxen_test.h"
#include "tests/system/ploxen_window.h"

namespace ploxen::system_test {
namespace {

constexpr int kFollowFileCommand = 32785;
constexpr int kProcessColumn = 0;
constexpr int kMessageColumn = 2;

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A Linux program through /bin/sh; its end shows by a file the shell writes
// last. The exit code, or -1 when it did not end in time.
int RunUnix(const std::string& command, std::string& output, DWORD timeoutMs = 60000) {
  static int runs = 0;
  const std::string base =
      "/tmp/ploxen_follow_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++runs);
  std::string line = "/bin/sh -c \"" + command + " >" + base + ".out 2>&1; echo $? >" + base + ".tmp; mv " + base +
                     ".tmp " + base + ".done\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return -1;
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  const std::string done = "Z:" + base + ".done", out = "Z:" + base + ".out";
  const bool ended = WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
  const int code = ended ? std::atoi(FileText(done).c_str()) : -1;
  output = FileText(out);
  DeleteFileA(done.c_str());
  DeleteFileA(out.c_str());
  return code;
}

int RunUnix(const std::string& command) {
  std::string output;
  const int code = RunUnix(command, output);
  EXPECT_EQ(code, 0) << command << "\n" << output;
  return code;
}

// A folder of the test's own under /tmp, seen from both sides.
struct Folder {
  Folder() : unix("/tmp/ploxen_follow_" + std::to_string(GetCurrentProcessId())), windows("Z:" + unix) {
    RunUnix("rm -rf " + unix + " && mkdir -p " + unix);
    for (char& c : windows)
      if (c == '/') c = '\\';
  }
  ~Folder() { RunUnix("rm -rf " + unix); }
  std::string Unix(const std::string& name) const { return unix + "/" + name; }
  std::string Windows(const std::string& name) const { return windows + "\\" + name; }
  std::string unix;
  std::string windows;
};

// A shell script run natively: written to a file first, so that no quoting
// of a command line stands between the test and the shell.
void Sh(const Folder& folder, const std::string& script) {
  {
    std::ofstream out(folder.Windows("script.sh"), std::ios::binary);
    out << script << "\n";
  }
  RunUnix("/bin/sh " + folder.Unix("script.sh"));
}

// Appends as a Windows program writes a log: shared, one write a line.
void AppendLines(const std::string& path, const std::string& prefix, int from, int to) {
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  for (int i = from; i <= to; ++i) {
    const std::string line = prefix + std::to_string(i) + "\r\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  CloseHandle(file);
}

class FollowTest : public PloxenTest {
 protected:
  void StartFollowing(const char* name, const std::vector<std::string>& files, const char* lastLines = "1000") {
    Start(name, [&](TestProfile& profile) {
      profile.Write("LISTBOX", "MAXCOUNT", "0");
      profile.Write("DATEIEN", "ANZAHL", std::to_string(files.size()));
      for (std::size_t i = 0; i < files.size(); ++i)
        profile.Write("DATEIEN", ("DATEI" + std::to_string(i + 1)).c_str(), files[i]);
      profile.Write("DATEIEN", "ZEILEN", lastLines);
    });
  }
  // The messages of the rows whose first column names the file, in order.
  std::vector<std::string> Messages(const std::string& shownName) const {
    std::vector<std::string> found;
    for (int row = 0, rows = ListRowCount(main_); row < rows; ++row)
      if (ListRowText(main_, row, kProcessColumn) == shownName) found.push_back(ListRowText(main_, row, kMessageColumn));
    return found;
  }
  // The message column carries the time difference before the text.
  static std::string Text(const std::string& message) {
    const std::size_t close = message.find(")   ");
    return close == std::string::npos ? message : message.substr(close + 4);
  }
  bool WaitForMessages(const std::string& shownName, std::size_t count, DWORD timeoutMs = 20000) const {
    return WaitUntil([&] { return Messages(shownName).size() >= count; }, timeoutMs);
  }
  void ExpectNumbered(const std::string& shownName, const std::string& prefix, int from, int to) const {
    auto messages = Messages(shownName);
    if (!messages.empty() && Text(messages.front()) == kReady) messages.erase(messages.begin());
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(to - from + 1)) << shownName;
    for (int i = from; i <= to; ++i)
      ASSERT_EQ(Text(messages[i - from]), prefix + std::to_string(i)) << shownName << " row " << i - from;
  }
  std::string LostTip() const { return StatusPaneToolTip(main_, 2); }
  // A line whose row says the road follows the file: it shows whether the
  // road's first look came before it or after (among the last lines).
  void Ready(const Folder& folder, const std::string& name) const {
    Sh(folder, "echo " + std::string(kReady) + " >> " + folder.Unix(name));
    ASSERT_TRUE(WaitUntil([&] {
      const auto m = Messages(name);
      return !m.empty() && Text(m.back()) == kReady;
    }));
  }
  static constexpr const char* kReady = "bereit";
};

TEST_F(FollowTest, AShellLoopAndAWindowsWriterBecomeRowsNamedByTheirFile) {
  Folder folder;
  Sh(folder, "printf 'alt 1\\nalt 2\\nalt 3\\n' > " + folder.Unix("shell.log"));
  StartFollowing("follow_writers", {folder.Windows("shell.log"), folder.Windows("windows.log")}, "2");
  // The file there at the start shows its last two lines; the one not there
  // yet is waited for, and told once.
  ASSERT_TRUE(WaitForMessages("shell.log", 2));
  EXPECT_EQ(Text(Messages("shell.log")[0]), "alt 2");
  ASSERT_TRUE(WaitForMessages("windows.log", 1));
  EXPECT_NE(Messages("windows.log")[0].find("gibt es noch nicht"), std::string::npos);
  Sh(folder, "i=1; while [ $i -le 300 ]; do echo \"shell $i\" >> " + folder.Unix("shell.log") + "; i=$((i+1)); done");
  AppendLines(folder.Windows("windows.log"), "windows ", 1, 300);
  ASSERT_TRUE(WaitForMessages("shell.log", 302));
  ASSERT_TRUE(WaitForMessages("windows.log", 301));
  auto shell = Messages("shell.log");
  ASSERT_EQ(shell.size(), 302u);
  for (int i = 1; i <= 300; ++i) ASSERT_EQ(Text(shell[i + 1]), "shell " + std::to_string(i));
  auto windows = Messages("windows.log");
  ASSERT_EQ(windows.size(), 301u);
  for (int i = 1; i <= 300; ++i) ASSERT_EQ(Text(windows[i]), "windows " + std::to_string(i));
  EXPECT_TRUE(Responsive(main_));
  EXPECT_EQ(StatusPaneText(main_, 2), "");
}

// logrotate run natively, as it runs from cron: the file renamed away and
// made anew (create), or copied and emptied in place (copytruncate), each
// while the writer goes on. Every line shows once, in order, none lost.
TEST_F(FollowTest, LogrotateCreateAndCopytruncateLoseNoLine) {
  Folder folder;
  for (const char* style : {"create", "copytruncate"}) {
    SCOPED_TRACE(style);
    const std::string log = folder.Unix(std::string(style) + ".log");
    const std::string shown = std::string(style) + ".log";
    // Empty at the start: every line shows whether the road looks before or
    // after the writer begins.
    Sh(folder, ": > " + log);
    Sh(folder, "printf '" + log + " {\\n rotate 3\\n " + style + "\\n missingok\\n}\\n' > " + log + ".conf");
    StartFollowing(style, {folder.Windows(shown)});
    Ready(folder, shown);
    const std::string write = [&](int from, int to) {
      return "i=" + std::to_string(from) + "; while [ $i -le " + std::to_string(to) + " ]; do echo \"zeile $i\" >> " +
             log + "; i=$((i+1)); done";
    }(1, 200);
    Sh(folder, write);
    ASSERT_TRUE(WaitForMessages(shown, 201));
    // Rotated and written on at once, as a busy program does.
    const std::string more = "i=201; while [ $i -le 400 ]; do echo \"zeile $i\" >> " + log + "; i=$((i+1)); done";
    Sh(folder, "logrotate -f -s " + log + ".state " + log + ".conf && " + more);
    ASSERT_TRUE(WaitForMessages(shown, 401));
    Sh(folder, "logrotate -f -s " + log + ".state " + log + ".conf; i=401; while [ $i -le 500 ]; do echo \"zeile $i\" >> " +
            log + "; i=$((i+1)); done");
    ASSERT_TRUE(WaitForMessages(shown, 501));
    Sleep(700);
    ExpectNumbered(shown, "zeile ", 1, 500);
    EXPECT_EQ(StatusPaneText(main_, 2), "");
    Close();
  }
}

TEST_F(FollowTest, Utf16WithItsMarkShowsItsLetters) {
  Folder folder;
  StartFollowing("follow_utf16", {folder.Windows("wide.log")});
  // "Grüße €" and a line without its end, in UTF-16 LE with a mark.
  const std::wstring text = L"\xFEFFGr\x00FC\x00DF" L"e \x20AC\r\nzweite Zeile";
  HANDLE file = CreateFileA(folder.Windows("wide.log").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  // After the notice of the file not there yet, unless the road's first look
  // came after the file was made.
  ASSERT_TRUE(WaitUntil([&] {
    const auto m = Messages("wide.log");
    return !m.empty() && Text(m.back()) == "zweite Zeile";
  })) << Messages("wide.log").size();
  const auto messages = Messages("wide.log");
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(Text(messages[messages.size() - 2]), "Gr\xFC\xDF" "e \x80");
}

// A folder and a device are refused once with their reason; a file of one
// 10 GB line is neither read whole nor held: the window answers, and the
// next line after it shows.
TEST_F(FollowTest, AFolderADeviceAndA10GbLineAreToldAndNothingHolds) {
  Folder folder;
  Sh(folder, "mkdir " + folder.Unix("ordner") + " && truncate -s 10G " + folder.Unix("riesig.log"));
  StartFollowing("follow_bad", {folder.Windows("ordner"), "Z:\\dev\\zero", folder.Windows("riesig.log")});
  ASSERT_TRUE(WaitForMessages("ordner", 1));
  ASSERT_TRUE(WaitForMessages("zero", 1));
  Sleep(1000);
  ASSERT_EQ(Messages("ordner").size(), 1u) << "told once";
  EXPECT_NE(Messages("ordner")[0].find("ist ein Ordner"), std::string::npos) << Messages("ordner")[0];
  ASSERT_EQ(Messages("zero").size(), 1u);
  EXPECT_NE(Messages("zero")[0].find("ist ein Ger\xE4t"), std::string::npos) << Messages("zero")[0];
  EXPECT_TRUE(Responsive(main_));
  Sh(folder, "printf '\\nnach 10 GB\\n' >> " + folder.Unix("riesig.log"));
  ASSERT_TRUE(WaitUntil([&] {
    const auto m = Messages("riesig.log");
    return !m.empty() && Text(m.back()) == "nach 10 GB";
  }));
  EXPECT_TRUE(Responsive(main_));
  PROCESS_MEMORY_COUNTERS_EX memory{};
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ploxen_.Id());
  ASSERT_NE(process, nullptr);
  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  CloseHandle(process);
  EXPECT_LT(memory.PeakWorkingSetSize, 400u << 20) << "the line was held";
}

// A writer far faster than the list: the lines wait in the file, none is
// lost, and the window keeps answering.
TEST_F(FollowTest, AWriterFasterThanTheListLosesNothing) {
  Folder folder;
  Sh(folder, ": > " + folder.Unix("schnell.log"));
  StartFollowing("follow_fast", {folder.Windows("schnell.log")});
  Ready(folder, "schnell.log");
  constexpr int kLines = 200000;  // with the first, "bereit"
  Sh(folder, "seq 2 " + std::to_string(kLines) + " >> " + folder.Unix("schnell.log"));
  EXPECT_TRUE(Responsive(main_));
  ASSERT_TRUE(WaitUntil([&] { return ListRowCount(main_) >= kLines; }, 180000)) << ListRowCount(main_);
  EXPECT_EQ(ListRowCount(main_), kLines);
  EXPECT_EQ(Text(ListRowText(main_, 1, kMessageColumn)), "2");
  EXPECT_EQ(Text(ListRowText(main_, kLines - 1, kMessageColumn)), std::to_string(kLines));
  EXPECT_EQ(StatusPaneText(main_, 2), "");
}

// The list cannot take lines (its row-limit question is open) while the
// file grows and is then emptied: what was never read is counted under
// "Datei verfolgen", however often the question is answered "Nein".
TEST_F(FollowTest, LinesEmptiedAwayWhileTheListWaitsAreCounted) {
  Folder folder;
  const std::string log = folder.Unix("wartet.log");
  Sh(folder, ": > " + log);
  Start("follow_held", Keys({{"LISTBOX.MAXCOUNT", "5000"},
                             {"DATEIEN.ANZAHL", "1"},
                             {"DATEIEN.DATEI1", folder.Windows("wartet.log")}}));
  Ready(folder, "wartet.log");
  Sh(folder, "seq 2 5000 >> " + log);
  ASSERT_TRUE(WaitForRows(main_, 5000, 30000)) << ListRowCount(main_);
  Sh(folder, "echo 5001 >> " + log);
  HWND question = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(question, nullptr);
  Sh(folder, "seq 5002 150000 >> " + log);
  Sleep(1500);
  Sh(folder, ": > " + log);
  Sleep(1000);
  int answered = 0;
  for (HWND box = question; box; box = WaitForMessageBox(ploxen_.Id(), 3000), ++answered) {
    Click(box, IDNO);
    WaitForWindowGone(box, 5000);
  }
  EXPECT_TRUE(Responsive(main_));
  const std::string tip = LostTip();
  const std::size_t at = tip.find("Datei verfolgen ");
  ASSERT_NE(at, std::string::npos) << tip;
  const long lost = std::atol(tip.c_str() + at + 16);
  // The queue took up to 40,000 in rounds and the road held one round more;
  // the rest was emptied away before it was read.
  EXPECT_GT(lost, 70000) << tip << " after " << answered << " answers";
  EXPECT_LT(lost, 145000) << tip;
  EXPECT_NE(StatusPaneText(main_, 2), "");
}

// The menu item adds a file by the file dialog, followed at once and kept in
// the profile: after a restart it is followed still.
TEST_F(FollowTest, TheMenuItemFollowsAtOnceAndTheFileSurvivesARestart) {
  Folder folder;
  Sh(folder, "printf 'eins\\nzwei\\n' > " + folder.Unix("menu.log"));
  StartFollowing("follow_menu", {});
  ASSERT_TRUE(RunFileDialog(ploxen_.Id(), main_, kFollowFileCommand, folder.Windows("menu.log")));
  ASSERT_TRUE(WaitForMessages("menu.log", 2));
  EXPECT_EQ(profile_->Read("DATEIEN", "ANZAHL"), "1");
  EXPECT_EQ(profile_->Read("DATEIEN", "DATEI1"), folder.Windows("menu.log"));
  Close();
  Start("follow_menu");
  ASSERT_TRUE(WaitForMessages("menu.log", 2));
  Sh(folder, "echo drei >> " + folder.Unix("menu.log"));
  ASSERT_TRUE(WaitForMessages("menu.log", 3));
  EXPECT_EQ(Text(Messages("menu.log")[2]), "drei");
}

}  // namespace
}  // namespace ploxen::system_test

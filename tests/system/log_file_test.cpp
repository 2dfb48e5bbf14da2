// The log file as a user relies on it: every row in the file within a
// second, also when PLOXEN is killed; rotation by size; a full disk counted
// and told once; the page's refusals of a folder that cannot take the log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

#include <prsht.h>

#include "core/row_store.h"
#include "storage/binary_file.h"
#include "storage/byte_stream.h"
#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

constexpr int kOpenCommand = 32771;
constexpr int kOpenLogCommand = 32781;
constexpr int kClearButton = 1001;
constexpr int kLogPage = 9;
constexpr int kLogOn = 1070, kLogFile = 1071;
constexpr char kFailing[] = "Die Protokolldatei kann nicht geschrieben werden; PLOXEN versucht es alle paar Sekunden wieder.";
constexpr char kWritingAgain[] = "Die Protokolldatei wird wieder geschrieben.";

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The log's files in a folder, in name order (which is time order).
std::vector<std::string> LogFiles(const std::string& folder, const std::string& stem) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\" + stem + "-*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(folder + "\\" + data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

void EmptyFolder(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do DeleteFileA((folder + "\\" + data.cFileName).c_str());
    while (FindNextFileA(find, &data));
    FindClose(find);
  }
}

std::string NewFolder(const std::string& name) {
  const std::string folder = TempPath(name);
  CreateDirectoryA(folder.c_str(), nullptr);
  EmptyFolder(folder);
  return folder;
}

// The message column of every line of a text log, after its byte order mark.
std::vector<std::string> TextMessages(const std::string& text) {
  std::vector<std::string> messages;
  EXPECT_EQ(text.compare(0, 3, "\xEF\xBB\xBF"), 0) << "UTF-8 with its byte order mark";
  for (std::size_t at = 3; at < text.size();) {
    std::size_t end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "a line without its end: the file is not whole";
    if (end == std::string::npos) break;
    const std::string line = text.substr(at, end - at);
    const std::size_t tab = line.rfind('\t');
    messages.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
    at = end + 2;
  }
  return messages;
}

std::vector<std::string> BinaryMessages(const std::string& bytes) {
  MessageRows rows;
  MemorySource source(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  const BinaryReadResult result = ReadBinaryFile(source, rows);
  EXPECT_EQ(result.status, BinaryReadResult::kComplete) << result.rowsRead << " rows read";
  std::vector<std::string> messages;
  for (std::size_t r = 0; r < rows.size(); ++r) messages.emplace_back(rows.Row(r).Text(2));
  return messages;
}

std::string Numbered(int n, std::size_t width = 0) {
  std::string line = std::to_string(n) + " Zeile";
  if (line.size() < width) line.append(width - line.size(), 'x');
  return line;
}

class LogFileTest : public PloxenTest {
 protected:
  void SendNumbered(int from, int to, std::size_t width = 0) {
    for (int n = from; n < to; ++n) ASSERT_TRUE(SendLine(main_, 0x303, Numbered(n, width))) << n;
  }
  // The box that refuses a page's value ("PLOXEN"), not the sheet.
  HWND WaitForRefusal() const {
    HWND found = nullptr;
    WaitUntil([&] {
      found = FindProcessWindow(ploxen_.Id(), [](HWND w) {
        return IsWindowVisible(w) && ClassName(w) == "#32770" && WindowText(w) == "PLOXEN";
      });
      return found != nullptr;
    });
    return found;
  }
  void Kill() {
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, ploxen_.Id());
    ASSERT_NE(process, nullptr);
    ASSERT_TRUE(TerminateProcess(process, 7));
    CloseHandle(process);
    ExpectExit(7);
  }
};

// 20,000 lines by copy-data, then PLOXEN is killed: every line sent more
// than a second before is in the file, whole and in order, and the binary
// file opens in PLOXEN.
TEST_F(LogFileTest, KilledProcessLeavesEveryRowShownBeforeInTheFile) {
  constexpr int kLines = 20000;
  for (const char* name : {"kill.txt", "kill.bin"}) {
    SCOPED_TRACE(name);
    const std::string folder = NewFolder("log_kill");
    const bool binary = std::string(name).find(".bin") != std::string::npos;
    StartWith(binary ? "log_kill_bin" : "log_kill_txt", "/protokoll \"" + folder + "\\" + name + "\"");
    SendNumbered(1, kLines + 1);
    ASSERT_TRUE(WaitForRows(main_, kLines));
    Sleep(1200);
    if (binary) {
      // "Protokolldatei öffnen" reads the file PLOXEN is still writing, into
      // an empty list; its rows are not logged again.
      Click(main_, kClearButton);
      ASSERT_TRUE(WaitForRows(main_, 0));
      Click(main_, kOpenLogCommand);
      ASSERT_TRUE(WaitForRows(main_, kLines, 30000));
      EXPECT_EQ(ListRowText(main_, kLines - 1, 2), Numbered(kLines));
      Sleep(1200);
    }
    Kill();
    const std::vector<std::string> files = LogFiles(folder, "kill");
    ASSERT_EQ(files.size(), 1u);
    const std::string bytes = FileText(files[0]);
    const std::vector<std::string> messages = binary ? BinaryMessages(bytes) : TextMessages(bytes);
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(kLines));
    for (int n = 1; n <= kLines; ++n) ASSERT_EQ(messages[n - 1], Numbered(n)) << "in order, none missing";
    if (binary) {
      Start("log_kill_open");
      ASSERT_TRUE(RunFileDialog(ploxen_.Id(), main_, kOpenCommand, files[0]).has_value());
      ASSERT_TRUE(WaitForRows(main_, kLines));
      EXPECT_EQ(ListRowText(main_, kLines - 1, 2), Numbered(kLines));
      Close();
    }
    EmptyFolder(folder);
  }
}

// 1 MB a file, 3 kept, some 5 MB of lines: three files, none larger than
// the limit, whose rows follow on to the last one sent.
TEST_F(LogFileTest, RotationBySizeKeepsThreeFilesThatFollowOn) {
  const std::string folder = NewFolder("log_rotation");
  Start("log_rotation", Keys({{"PROTOKOLL.EIN", "1"},
                              {"PROTOKOLL.DATEI", folder + "\\rot.txt"},
                              {"PROTOKOLL.GROESSE", "1"},
                              {"PROTOKOLL.TAEGLICH", "0"},
                              {"PROTOKOLL.BEHALTEN", "3"},
                              {"LISTBOX.MAXCOUNT", "0"}}));
  constexpr int kLines = 11000;  // of some 470 bytes a row in the file
  SendNumbered(0, kLines, 440);
  ASSERT_TRUE(WaitForRows(main_, kLines));
  Sleep(1200);
  Close();
  const std::vector<std::string> files = LogFiles(folder, "rot");
  ASSERT_EQ(files.size(), 3u);
  std::vector<std::string> messages;
  for (const std::string& file : files) {
    const std::string text = FileText(file);
    EXPECT_LE(text.size(), 1u << 20) << file;
    const std::vector<std::string> part = TextMessages(text);
    messages.insert(messages.end(), part.begin(), part.end());
  }
  ASSERT_GT(messages.size(), 6000u);
  for (std::size_t i = 0; i < messages.size(); ++i)
    ASSERT_EQ(messages[i], Numbered(kLines - static_cast<int>(messages.size() - i), 440)) << "no gap at row " << i;
  EmptyFolder(folder);
}

// The page refuses a log folder that does not exist; a folder that takes
// no new file is the small disk's (below).
TEST_F(LogFileTest, PageRefusesAFolderThatDoesNotExist) {
  Start("log_page");
  Click(main_, 32);
  HWND sheet = WaitForDialog(ploxen_.Id(), "Parameter");
  ASSERT_NE(sheet, nullptr);
  SendMessageA(sheet, PSM_SETCURSEL, kLogPage, 0);
  HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  ASSERT_EQ(WindowText(page), "Protokoll");
  SendMessageA(GetDlgItem(page, kLogOn), BM_SETCHECK, BST_CHECKED, 0);
  const std::string missing = TempPath("log_fehlt") + "\\p.txt";
  SendMessageA(GetDlgItem(page, kLogFile), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(missing.c_str()));
  Click(sheet, IDOK);
  HWND box = WaitForRefusal();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "Den Ordner \"" + TempPath("log_fehlt") +
                                     "\" gibt es nicht. Bitte einen vorhandenen Ordner f\xFCr die Protokolldatei angeben.");
  Click(box, IDOK);
  ASSERT_TRUE(WaitForWindowGone(box));
  EXPECT_TRUE(IsWindowVisible(sheet)) << "the sheet stays open";
  SendMessageA(GetDlgItem(page, kLogOn), BM_SETCHECK, BST_UNCHECKED, 0);
  Click(sheet, IDOK);
  ASSERT_TRUE(WaitForWindowGone(sheet)) << "off, the folder is not asked about";
}

// Wine shows the root of the Linux file system as drive Z:.
std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

class LogFileSmallDisk : public LogFileTest {
 protected:
  void SetUp() override {
    const char* folder = std::getenv("PLOXEN_SMALL_DISK");
    if (!folder || !*folder) GTEST_SKIP() << "PLOXEN_SMALL_DISK names no folder: the test runs through ctest";
    disk_ = WindowsPath(folder);
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExA((disk_ + "\\").c_str(), &available, &total, &free) || total.QuadPart > 1024 * 1024)
      GTEST_SKIP() << disk_ << " is no small file system (mounting a tmpfs needs root)";
    EmptyFolder(disk_);
  }
  void TearDown() override {
    PloxenTest::TearDown();
    if (!disk_.empty()) EmptyFolder(disk_);
  }
  std::string disk_;
};

// The disk fills: the status bar says so once, rows beyond what may wait
// are counted under "Protokolldatei"; space comes back and the log goes on.
TEST_F(LogFileSmallDisk, FullDiskIsCountedToldOnceAndTheLogGoesOn) {
  const std::string filler = disk_ + "\\filler.bin";
  {
    std::ofstream out(filler, std::ios::binary);
    out << std::string(52 * 1024, 'f');
  }
  Start("log_small_disk", Keys({{"PROTOKOLL.EIN", "1"},
                                {"PROTOKOLL.DATEI", disk_ + "\\voll.txt"},
                                {"PROTOKOLL.PUFFER", "16"},
                                {"LISTBOX.MAXCOUNT", "0"}}));
  SendNumbered(0, 100, 400);  // some 45 KB: more than the 12 KB left
  ASSERT_TRUE(WaitUntil([&] { return StatusPaneText(main_, 0) == kFailing; })) << StatusPaneText(main_, 0);
  EXPECT_EQ(StatusPaneText(main_, 1), "100");
  ASSERT_TRUE(WaitUntil([&] { return StatusPaneCount(main_) == 3; }))
      << "the lost-lines pane shows: more than 16 KB waited";
  const std::string tip = StatusPaneToolTip(main_, 2);
  EXPECT_NE(tip.find("Protokolldatei "), std::string::npos) << tip;
  EXPECT_EQ(tip.find("Protokolldatei 0"), std::string::npos) << tip;

  ASSERT_TRUE(DeleteFileA(filler.c_str()));
  ASSERT_TRUE(WaitUntil([&] { return StatusPaneText(main_, 0) == kWritingAgain; }, 15000))
      << StatusPaneText(main_, 0);
  SendNumbered(100, 110, 400);
  Sleep(1200);
  Close();
  const std::vector<std::string> files = LogFiles(disk_, "voll");
  ASSERT_EQ(files.size(), 1u);
  const std::vector<std::string> messages = TextMessages(FileText(files[0]));
  ASSERT_GE(messages.size(), 10u);
  for (std::size_t i = 1; i < messages.size(); ++i)
    EXPECT_LT(std::atoi(messages[i - 1].c_str()), std::atoi(messages[i].c_str())) << "in order";
  for (int n = 100; n < 110; ++n)
    EXPECT_EQ(messages[messages.size() - 110 + n], Numbered(n, 400)) << "the lines after the space came back";
}

// A folder in which no file may be made (the fixture's immutable one): the
// page says so.
TEST_F(LogFileSmallDisk, PageRefusesAFolderThatMayNotBeWritten) {
  const std::string share = disk_ + ".share";
  HANDLE probe = CreateFileA((share + "\\probe.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    GTEST_SKIP() << share << " takes new files: making it immutable needs root";
  }
  Start("log_page_share");
  Click(main_, 32);
  HWND sheet = WaitForDialog(ploxen_.Id(), "Parameter");
  ASSERT_NE(sheet, nullptr);
  SendMessageA(sheet, PSM_SETCURSEL, kLogPage, 0);
  HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  SendMessageA(GetDlgItem(page, kLogOn), BM_SETCHECK, BST_CHECKED, 0);
  const std::string path = share + "\\p.txt";
  SendMessageA(GetDlgItem(page, kLogFile), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  Click(sheet, IDOK);
  HWND box = WaitForRefusal();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "In den Ordner \"" + share +
                                     "\" darf PLOXEN nicht schreiben. Bitte einen anderen Ordner f\xFCr die "
                                     "Protokolldatei angeben.");
  Click(box, IDOK);
  ASSERT_TRUE(WaitForWindowGone(box));
  Click(sheet, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(sheet));
}

}  // namespace
}  // namespace ploxen::system_test

// Saving over a file on a disk that is too small for the new one: the old
// file must survive the failure whole. The disk is a 64 KB tmpfs that the
// test fixture mounts (small_disk.sh) and names by PLOXEN_SMALL_DISK.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include "core/row_store.h"
#include "storage/binary_file.h"
#include "storage/byte_stream.h"
#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

constexpr int kRowsOfTheOldFile = 5;
constexpr char kBusy[] = "Die systemweiten Debug-Ausgaben werden bereits von einem anderen Programm gelesen.";
// 400 rows of 499 characters: several times what the disk holds.
constexpr int kRowsThatDoNotFit = 400;

// Wine shows the root of the Linux file system as drive Z:.
std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::vector<unsigned char> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

// What PLOXEN shows for a file error: the system's own text.
std::string SystemErrorText(DWORD error) {
  char text[1024] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                           sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) --n;
  return std::string(text, n);
}

// A box of the process other than the one given, or null after the timeout.
HWND WaitForOtherBox(DWORD processId, HWND other, DWORD timeoutMs = 10000) {
  const DWORD start = GetTickCount();
  do {
    HWND found = FindProcessWindow(processId, [other](HWND window) {
      return window != other && IsWindowVisible(window) && ClassName(window) == "#32770" &&
             WindowText(window) != kTitle;
    });
    if (found) return found;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

// One debug-output buffer per Wine server: its tests take turns, and find it
// free once a monitor left over from before has gone.
bool SystemWideTurnHeld(const MachineTurn& turn) {
  return turn.Held() && WaitUntil([] { return !DebugOutputHeld(); }, 20000);
}

// The rows of a capture file whose text goes on with one of the tags, that
// part of the text each, in file order; nothing when the file is not whole.
std::vector<std::string> TaggedRows(const std::vector<unsigned char>& bytes, const std::vector<std::string>& tags) {
  MessageRows rows;
  MemorySource source(bytes.data(), bytes.size());
  const BinaryReadResult result = ReadBinaryFile(source, rows);
  EXPECT_EQ(result.status, BinaryReadResult::kComplete) << result.rowsRead << " rows read";
  std::vector<std::string> tagged;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::string text(rows.Row(r).Text(2));
    const std::size_t at = text.find("] ");
    if (at == std::string::npos) continue;
    for (const std::string& tag : tags)
      if (text.compare(at + 2, tag.size() + 1, tag + " ") == 0) tagged.push_back(text.substr(at + 2));
  }
  return tagged;
}

std::vector<std::string> SentLines(const std::string& tag, int lines) {
  std::vector<std::string> sent;
  for (int n = 1; n <= lines; ++n) sent.push_back(tag + " 0 " + std::to_string(n) + " Zeile");
  return sent;
}

std::string Tool(const char* name) { return "\"" + ProgramDirectory() + "\\" + name + "\" "; }

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class SafeSave : public PloxenTest {
 protected:
  void SetUp() override {
    const char* folder = std::getenv("PLOXEN_SMALL_DISK");
    if (!folder || !*folder) GTEST_SKIP() << "PLOXEN_SMALL_DISK names no folder: the test runs through ctest";
    disk_ = WindowsPath(folder);
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExA((disk_ + "\\").c_str(), &available, &total, &free) || total.QuadPart > 1024 * 1024)
      GTEST_SKIP() << disk_ << " is no small file system: mounting a tmpfs there needs root (see the "
                   << "small_disk mount test's output)";
    for (const std::string& name : FolderNames(disk_)) DeleteFileA((disk_ + "\\" + name).c_str());
    Start("safe_save");
  }
  void TearDown() override {
    PloxenTest::TearDown();
    if (!disk_.empty())
      for (const std::string& name : FolderNames(disk_)) DeleteFileA((disk_ + "\\" + name).c_str());
  }
  void SendRows(int count, const std::string& text) {
    const int before = ListRowCount(main_);
    for (int i = 0; i < count; ++i) ASSERT_TRUE(SendLine(main_, 0x303, std::to_string(i) + " " + text));
    ASSERT_TRUE(WaitForRows(main_, before + count));
  }
  // Runs the Save dialog with the path, confirms replacing a file that is
  // there, and returns the message the save then shows.
  std::string SaveAndReadTheMessage(const std::string& path, bool replaces) {
    Click(main_, kSaveButton);
    HWND dialog = WaitForMessageBox(ploxen_.Id());
    EXPECT_NE(dialog, nullptr);
    if (!dialog) return {};
    SendMessageA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    Click(dialog, IDOK);
    if (replaces) {
      HWND question = WaitForOtherBox(ploxen_.Id(), dialog);
      EXPECT_NE(question, nullptr) << "the dialog asks before it takes an existing file";
      if (question) Click(question, IDYES);
    }
    EXPECT_TRUE(WaitForWindowGone(dialog));
    HWND message = WaitForMessageBox(ploxen_.Id(), 30000);
    EXPECT_NE(message, nullptr) << "the failed save is reported";
    if (!message) return {};
    const std::string text = MessageBoxText(message);
    // Read while the message is still on screen: the save is over by then.
    folderAtMessage_ = FolderNames(disk_);
    Click(message, IDOK);
    EXPECT_TRUE(WaitForWindowGone(message));
    return text;
  }

  std::string disk_;
  std::vector<std::string> folderAtMessage_;
};

TEST_F(SafeSave, SaveThatDoesNotFitKeepsTheOldFileWhole) {
  SendRows(kRowsOfTheOldFile, "alte Zeile");
  const std::string path = disk_ + "\\liste.bin";
  ASSERT_TRUE(RunFileDialog(ploxen_.Id(), main_, kSaveButton, path));
  const std::vector<unsigned char> old = FileBytes(path);
  ASSERT_GT(old.size(), 8u) << "the old file was saved";

  SendRows(kRowsThatDoNotFit, std::string(490, 'x'));
  const std::string diskFull = SystemErrorText(ERROR_DISK_FULL);
  EXPECT_EQ(SaveAndReadTheMessage(path, true), diskFull);
  EXPECT_EQ(folderAtMessage_, std::vector<std::string>{"liste.bin"}) << "nothing written in vain is left";
  EXPECT_TRUE(FileBytes(path) == old) << "the old file is byte for byte as before";

  // A new name on the full disk: no file at all, and the old one untouched.
  EXPECT_EQ(SaveAndReadTheMessage(disk_ + "\\neu.csv", false), diskFull);
  EXPECT_EQ(folderAtMessage_, std::vector<std::string>{"liste.bin"});
  EXPECT_TRUE(FileBytes(path) == old);
  EXPECT_EQ(ListRowCount(main_), kRowsOfTheOldFile + kRowsThatDoNotFit) << "the list is kept";
}

// ploxen_capture -o over an old file while another program reads the
// debug output: it cannot start, and the old file stays as it was.
TEST_F(SafeSave, CaptureThatCannotStartLeavesTheFileAlone) {
  const MachineTurn turn(kSystemWideTurn);
  ASSERT_TRUE(SystemWideTurnHeld(turn)) << "a monitor left over from before";
  ToolProcess holder;
  ASSERT_TRUE(holder.Start(Tool("ploxen_capture.exe")));
  ASSERT_TRUE(WaitUntil(DebugOutputHeld, 20000)) << "the first capture did not start";
  const std::string path = disk_ + "\\alt.bin";
  {
    std::ofstream old(path, std::ios::binary);
    old << "alte Datei";
  }
  const ToolRun second = RunTool("ploxen_capture.exe", "-o \"" + path + "\"");
  EXPECT_EQ(second.exitCode, 2u) << second.errors;
  EXPECT_NE(second.errors.find(kBusy), std::string::npos) << second.errors;
  const std::string old = "alte Datei";
  EXPECT_TRUE(FileBytes(path) == std::vector<unsigned char>(old.begin(), old.end()));
  EXPECT_EQ(FolderNames(disk_), std::vector<std::string>{"alt.bin"});
  EXPECT_EQ(RunTool("ploxen_capture.exe", "-stop").exitCode, 0u);
  EXPECT_EQ(holder.Wait(30000), 0u) << holder.Output();
}

// ploxen_capture -o on a disk that fills while lines come: the file stays
// whole (PLOXEN opens it) and says the error once; once there is room
// again, the lines that waited follow, none lost and none twice.
TEST_F(SafeSave, CaptureFileStaysWholeWhenTheDiskFillsAndTakesTheLinesLater) {
  const MachineTurn turn(kSystemWideTurn);
  ASSERT_TRUE(SystemWideTurnHeld(turn)) << "a monitor left over from before";
  const std::string filler = disk_ + "\\filler.bin";
  {
    std::ofstream out(filler, std::ios::binary);
    out << std::string(52 * 1024, 'f');
  }
  const std::string path = disk_ + "\\capture.bin";
  ToolProcess capture;
  ASSERT_TRUE(capture.Start(Tool("ploxen_capture.exe") + "-o \"" + path + "\""));
  ASSERT_TRUE(WaitUntil(DebugOutputHeld, 20000)) << "ploxen_capture did not start reading";
  // Some 120 bytes a row: more than the 12 KB left.
  const ToolRun full = RunTool("ploxen_ods_send.exe", "-tag VOLL -lines 150 line");
  ASSERT_EQ(full.exitCode, 0u) << full.errors;
  const std::string failed = "kann nicht geschrieben werden";
  for (int i = 0; i < 50 && capture.Output().find(failed) == std::string::npos; ++i) capture.Wait(200);
  ASSERT_NE(capture.Output().find(failed), std::string::npos) << "the disk did not fill: " << capture.Output();
  const std::vector<std::string> whileFull = TaggedRows(FileBytes(path), {"VOLL"});
  EXPECT_LT(whileFull.size(), 150u);
  EXPECT_TRUE(std::equal(whileFull.begin(), whileFull.end(), SentLines("VOLL", 150).begin()))
      << "the rows in the file are the first ones, whole";

  ASSERT_TRUE(DeleteFileA(filler.c_str()));
  const ToolRun more = RunTool("ploxen_ods_send.exe", "-tag MEHR -lines 20 line");
  ASSERT_EQ(more.exitCode, 0u) << more.errors;
  Sleep(1500);  // a failed write is tried again after a second
  EXPECT_EQ(RunTool("ploxen_capture.exe", "-stop").exitCode, 0u);
  EXPECT_EQ(capture.Wait(30000), 0u) << capture.Output();
  EXPECT_EQ(Occurrences(capture.Output(), failed), 1u) << capture.Output();

  std::vector<std::string> sent = SentLines("VOLL", 150);
  const std::vector<std::string> later = SentLines("MEHR", 20);
  sent.insert(sent.end(), later.begin(), later.end());
  EXPECT_EQ(TaggedRows(FileBytes(path), {"VOLL", "MEHR"}), sent);
}

// A folder where the user may change a file but make none (the fixture's
// immutable folder beside the disk): the save writes the file in place.
TEST_F(SafeSave, FolderThatTakesNoNewFileIsWrittenInPlace) {
  const std::string share = disk_ + ".share";
  const std::string path = share + "\\liste.bin";
  HANDLE probe = CreateFileA((share + "\\probe.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    GTEST_SKIP() << share << " takes new files: making it immutable needs root (see the small_disk output)";
  }
  const std::string old = "alte Datei";
  ASSERT_TRUE(FileBytes(path) == std::vector<unsigned char>(old.begin(), old.end()));
  SendRows(3, "neue Zeile");
  Click(main_, kSaveButton);
  HWND dialog = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(dialog, nullptr);
  SendMessageA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  Click(dialog, IDOK);
  HWND replace = WaitForOtherBox(ploxen_.Id(), dialog);
  ASSERT_NE(replace, nullptr) << "the dialog asks before it takes an existing file";
  Click(replace, IDYES);
  ASSERT_TRUE(WaitForWindowGone(dialog));
  ASSERT_TRUE(Responsive(main_));
  HWND message = WaitForMessageBox(ploxen_.Id(), 1000);
  EXPECT_EQ(message, nullptr) << MessageBoxText(message);
  if (message) Click(message, IDOK);

  const std::vector<unsigned char> bytes = FileBytes(path);
  MessageRows rows;
  MemorySource source(bytes.data(), bytes.size());
  EXPECT_EQ(ReadBinaryFile(source, rows).status, BinaryReadResult::kComplete);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows.Row(2).Text(2), "2 neue Zeile");
  EXPECT_EQ(FolderNames(share), std::vector<std::string>{"liste.bin"});
}

// The row limit's "Ja" with a save that does not fit: the rows stay and the
// question comes again, a line that arrives meanwhile waits, and "Nein"
// then clears the list.
TEST_F(SafeSave, RowLimitSaveThatFailsKeepsTheRowsAndAsksAgain) {
  Close();
  profile_->Write("LISTBOX", "MAXCOUNT", "100");
  Start("safe_save");
  // 100 rows of 490 characters would fit on the empty disk; a file there
  // leaves less room than they take.
  {
    std::ofstream filler(disk_ + "\\filler.bin", std::ios::binary);
    filler << std::string(40 * 1024, 'f');
  }
  SendRows(100, std::string(490, 'x'));
  std::thread overflow([&] { SendLine(main_, 0x303, "die 101.", 9, 120000); });
  struct Joined {
    std::thread& t;
    ~Joined() { t.join(); }
  } joined{overflow};
  const std::string question =
      "Die maximal Anzahl der Listboxeintr\xE4" "ge ist erreicht.\nDer Listboxinhalt wird jetzt gel\xF6" "scht.\n\n"
      "Wollen Sie den Listboxinhalt vorher in eine Datei speichern ?";
  HWND box = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(MessageBoxText(box), question);
  Click(box, IDYES);
  HWND dialog = WaitForOtherBox(ploxen_.Id(), box);
  ASSERT_NE(dialog, nullptr) << "Ja opens the Save dialog";
  const std::string path = disk_ + "\\voll.bin";
  SendMessageA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  Click(dialog, IDOK);
  ASSERT_TRUE(WaitForWindowGone(dialog));
  HWND message = WaitForMessageBox(ploxen_.Id(), 30000);
  ASSERT_NE(message, nullptr) << "the failed save is reported";
  EXPECT_EQ(MessageBoxText(message), SystemErrorText(ERROR_DISK_FULL));
  Click(message, IDOK);
  ASSERT_TRUE(WaitForWindowGone(message));

  box = WaitForMessageBox(ploxen_.Id());
  ASSERT_NE(box, nullptr) << "the question comes again; rows now " << ListRowCount(main_);
  EXPECT_EQ(MessageBoxText(box), question);
  EXPECT_EQ(ListRowCount(main_), 100) << "every row is still there";
  EXPECT_EQ(FolderNames(disk_), std::vector<std::string>{"filler.bin"});
  ASSERT_TRUE(SendLine(main_, 0x303, "w\xE4hrend der Frage")) << "a line during the question is taken at once";
  Click(box, IDNO);
  ASSERT_TRUE(WaitForRows(main_, 2)) << ListRowCount(main_);
  EXPECT_EQ(ListRowText(main_, 0, 2), "die 101.");
  EXPECT_EQ(ListRowText(main_, 1, 2), "w\xE4hrend der Frage");
  EXPECT_EQ(WaitForMessageBox(ploxen_.Id(), 500), nullptr) << "asked no more";
}

}  // namespace
}  // namespace ploxen::system_test

// The platform file: its error texts, and that formats reach it in large blocks.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "fw/file.h"
#include "storage/binary_file.h"
#include "storage/csv_export.h"
#include "storage/file_commands.h"
#include "tests/support/row_builders.h"

namespace ploxen::test {
namespace {

class TempFolder {
 public:
  TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    path_ = std::string(base) + "ploxen_file_test_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempFolder() {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path_ + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = path_ + "\\" + data.cFileName;
        SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(name.c_str());
      } while (FindNextFileA(find, &data));
      FindClose(find);
    }
    RemoveDirectoryA(path_.c_str());
  }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// Message boxes would stop the test; they are collected instead.
class CollectingAccess : public fw::FileAccess {
 public:
  CollectingAccess() : fw::FileAccess(nullptr) {}
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

TEST(File, ErrorTextsComeFromTheSystem) {
  const std::string notFound = fw::ErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(notFound.empty());
  EXPECT_NE(notFound.back(), '\n');
  EXPECT_LE(notFound.size(), kFileErrorMax);
  EXPECT_NE(fw::ErrorText(ERROR_ACCESS_DENIED), notFound);
  EXPECT_NE(fw::ErrorText(0xDEADBEEF).find("3735928559"), std::string::npos);
}

TEST(File, OpeningFailuresCarryTheirText) {
  TempFolder dir;
  std::string error;
  EXPECT_EQ(fw::File::Open(dir / "missing.bin", fw::File::Mode::kRead, error), nullptr);
  EXPECT_EQ(error, fw::ErrorText(ERROR_FILE_NOT_FOUND));

  EXPECT_EQ(fw::File::Open(dir / "no\\such\\folder\\x.bin", fw::File::Mode::kCreateWrite, error), nullptr);
  EXPECT_EQ(error, fw::ErrorText(ERROR_PATH_NOT_FOUND));

  // A folder cannot be written as a file.
  EXPECT_EQ(fw::File::Open(dir / "", fw::File::Mode::kCreateWrite, error), nullptr);
  EXPECT_FALSE(error.empty());
}

TEST(File, ReadOnlyTargetIsRefused) {
  TempFolder dir;
  std::string error;
  const std::string readOnly = dir / "readonly.bin";
  { auto f = fw::File::Open(readOnly, fw::File::Mode::kCreateWrite, error); ASSERT_NE(f, nullptr); }
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  auto file = fw::File::Open(readOnly, fw::File::Mode::kCreateWrite, error);
  // Wine keeps the attribute in the Unix permissions, which do not bind root.
  if (file) GTEST_SKIP() << "this platform lets the user write read-only files (Wine as root)";
  EXPECT_EQ(error, fw::ErrorText(ERROR_ACCESS_DENIED));
}

TEST(File, OpenFilesAreNotShared) {
  TempFolder dir;
  std::string error;
  auto first = fw::File::Open(dir / "x.bin", fw::File::Mode::kCreateWrite, error);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(fw::File::Open(dir / "x.bin", fw::File::Mode::kRead, error), nullptr);
  EXPECT_EQ(error, fw::ErrorText(ERROR_SHARING_VIOLATION));
}

TEST(File, ManyRowsTakeFewSystemCalls) {
  TempFolder dir;
  MessageRows rows;
  for (int i = 0; i < 10000; ++i) AddRow(rows, 0x303, "PID=1,TID=2", "12:00:00.000", "eine Zeile");
  std::string error;
  auto out = fw::File::Open(dir / "many.bin", fw::File::Mode::kCreateWrite, error);
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(WriteBinaryFile(rows, *out));
  // About 670 KB in a few large blocks, where one call per field would be 80,000.
  EXPECT_LE(out->SystemCalls(), 16u);
  ASSERT_TRUE(out->Close());

  auto in = fw::File::Open(dir / "many.bin", fw::File::Mode::kRead, error);
  ASSERT_NE(in, nullptr);
  MessageRows back;
  EXPECT_EQ(ReadBinaryFile(*in, back).status, BinaryReadResult::kComplete);
  EXPECT_EQ(back.size(), rows.size());
  EXPECT_LE(in->SystemCalls(), 16u);
}

TEST(File, SaveAndOpenThroughThePlatform) {
  TempFolder dir;
  CollectingAccess files;
  MessageRows rows;
  AddRow(rows, 0x103, "p", "t", "Gr\xC3\xB6\xC3\x9F" "e");
  const std::string saved = SaveList(dir / "liste", rows, files).path;
  EXPECT_EQ(saved, dir / "liste.BIN");
  EXPECT_NE(GetFileAttributesA(saved.c_str()), INVALID_FILE_ATTRIBUTES);

  IntakeSwitches switches;
  MessageRows back;
  struct NoDialogs : UserDialogs {
    bool AskYesNo(int) override { return false; }
    bool Save() override { return false; }
  } dialogs;
  MessageIntake intake(switches, back, dialogs);
  OpenList(saved, back, intake, files);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back.Row(0).Text(2), "Gr\xC3\xB6\xC3\x9F" "e");
  EXPECT_TRUE(files.messages.empty());

  OpenList(dir / "fehlt.bin", back, intake, files);
  ASSERT_EQ(files.messages.size(), 1u);
  EXPECT_EQ(files.messages[0], fw::ErrorText(ERROR_FILE_NOT_FOUND));

  SaveList(dir / "kein\\ordner\\x.csv", rows, files);
  ASSERT_EQ(files.messages.size(), 2u);
  EXPECT_EQ(files.messages[1], fw::ErrorText(ERROR_PATH_NOT_FOUND));
}

std::string Contents(const std::string& path) {
  std::string error, bytes;
  auto in = fw::File::Open(path, fw::File::Mode::kRead, error);
  if (!in) return "<" + error + ">";
  bytes.resize(static_cast<std::size_t>(in->Remaining()));
  bytes.resize(in->Read(bytes.data(), bytes.size()));
  return bytes;
}

std::vector<std::string> FolderNames(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::string(data.cFileName) != "." && std::string(data.cFileName) != "..") names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

// A save writes a new file beside the old one and moves it in its place: an
// old file, a new name and a target the move cannot replace.
TEST(File, SaveTakesTheOldFilesPlaceOnlyWhenWhole) {
  TempFolder dir;
  CollectingAccess files;
  MessageRows rows;
  AddRow(rows, 0x103, "p", "t", "neu");
  MemorySink expected;
  ExportCsv(rows, expected);
  const std::string csv(expected.Bytes().begin(), expected.Bytes().end());

  const std::string old = dir / "alt.csv";
  {
    std::string error;
    auto f = fw::File::Open(old, fw::File::Mode::kCreateWrite, error);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->Write("alter Inhalt", 12) && f->Close());
  }
  SaveList(old, rows, files);
  EXPECT_EQ(Contents(old), csv);
  SaveList(dir / "neu.csv", rows, files);
  EXPECT_EQ(Contents(dir / "neu.csv"), csv);
  EXPECT_TRUE(files.messages.empty());

  // A folder of the target's name is not replaced; the new file goes again.
  ASSERT_TRUE(CreateDirectoryA((dir / "ordner.csv").c_str(), nullptr));
  SaveList(dir / "ordner.csv", rows, files);
  ASSERT_EQ(files.messages.size(), 1u);
  EXPECT_EQ(files.messages[0], fw::ErrorText(ERROR_ACCESS_DENIED));
  RemoveDirectoryA((dir / "ordner.csv").c_str());
  EXPECT_EQ(FolderNames(dir / "*"), (std::vector<std::string>{"alt.csv", "neu.csv"}));
}

// What the old file is beyond its bytes (here its attributes and creation
// time; its access list too) stays: ReplaceFile carries it over to the new
// file, and writing in place keeps the file itself. Wine's ReplaceFile is a
// plain move, and Wine keeps no creation time a program sets; those parts
// are looked at only where the platform does them.
TEST(File, ASavedOverFileKeepsItsAttributesAndCreationTime) {
  const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  TempFolder dir;
  CollectingAccess files;
  MessageRows rows;
  AddRow(rows, 0x103, "p", "t", "neu");
  FILETIME created{};
  SYSTEMTIME y2001{2001, 2, 0, 3, 4, 5, 6, 0};
  ASSERT_TRUE(SystemTimeToFileTime(&y2001, &created));
  for (const bool inPlace : {false, true}) {
    const std::string old = dir / (inPlace ? "inplace.bin" : "beside.bin");
    HANDLE h = CreateFileA(old.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME kept{};
    const bool timeSet = SetFileTime(h, &created, nullptr, nullptr) && GetFileTime(h, &kept, nullptr, nullptr) &&
                         CompareFileTime(&kept, &created) == 0;
    CloseHandle(h);
    if (inPlace) {
      std::string error;
      auto file = files.OpenInPlace(old, error);
      ASSERT_NE(file, nullptr) << error;
      ASSERT_TRUE(WriteBinaryFile(rows, *file) && file->Close());
    } else {
      ASSERT_TRUE(SaveList(old, rows, files).written);
    }
    MessageRows back;
    std::string error;
    auto in = fw::File::Open(old, fw::File::Mode::kRead, error);
    ASSERT_NE(in, nullptr) << error;
    EXPECT_EQ(ReadBinaryFile(*in, back).status, BinaryReadResult::kComplete);
    EXPECT_EQ(back.size(), 1u);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(old.c_str(), GetFileExInfoStandard, &data));
    const char* const way = inPlace ? "in place" : "beside";
    if (inPlace || !wine) EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) << way;
    if (timeSet) EXPECT_EQ(CompareFileTime(&data.ftCreationTime, &created), 0) << way;
  }
  EXPECT_TRUE(files.messages.empty());
  EXPECT_EQ(FolderNames(dir / "*").size(), 2u) << "nothing left beside";
}

TEST(File, NewFilesBesideATargetNeverMeet) {
  TempFolder dir;
  CollectingAccess files;
  std::string first, second, error;
  bool notAllowed = false;
  auto a = files.CreateBeside(dir / "x.bin", first, error, notAllowed);
  auto b = files.CreateBeside(dir / "x.bin", second, error, notAllowed);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr) << error;
  EXPECT_NE(first, second);
  EXPECT_EQ(first.substr(0, first.rfind('\\') + 1), dir / "") << "in the target's folder";
  EXPECT_EQ(FolderNames(dir / "*").size(), 2u);
  a->Close();
  b->Close();
  files.Remove(first);
  files.Remove(second);
  EXPECT_TRUE(FolderNames(dir / "*").empty());

  EXPECT_EQ(files.CreateBeside(dir / "kein\\ordner\\x.bin", first, error, notAllowed), nullptr);
  EXPECT_EQ(error, fw::ErrorText(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(notAllowed) << "a missing folder is no reason to write in place";
}

}  // namespace
}  // namespace ploxen::test

// What Save and Open do with the chosen path.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/text.h"
#include "storage/binary_file.h"
#include "storage/csv_export.h"
#include "storage/file_commands.h"
#include "tests/support/intake_fixture.h"
#include "tests/support/row_builders.h"

namespace ploxen::test {
namespace {

constexpr char kDiskFull[] = "Nicht gen\xFC" "gend Speicherplatz auf dem Datentr\xE4" "ger.";
constexpr char kDenied[] = "Zugriff verweigert";

// Files in memory; paths that start with "bad:" cannot be opened. A disk
// that is full after diskSpace bytes fails the write that passes it. In a
// folder "share:" the user may change a file but make none.
class MemoryFiles : public FileAccess {
 public:
  class Out : public OutputFile {
   public:
    Out(MemoryFiles& files, std::string path) : files_(files), path_(std::move(path)) {}
    ~Out() override { files_.open.erase(path_); }
    bool Write(const void* data, std::size_t size) override {
      if (files_.throwOnWrite) throw std::bad_alloc();
      if (files_.written + size > files_.diskSpace) {
        error_ = kDiskFull;
        return false;
      }
      files_.written += size;
      auto& bytes = files_.stored[path_];
      bytes.append(static_cast<const char*>(data), size);
      ++files_.writes;
      return true;
    }
    bool Rewind() override {
      files_.written -= files_.stored[path_].size();
      files_.stored[path_].clear();
      ++files_.rewinds;
      return true;
    }
    bool Close() override {
      files_.open.erase(path_);
      if (!files_.failClose) return true;
      error_ = "Der angegebene Netzwerkname ist nicht mehr verf\xFCgbar.";
      return false;
    }
    const std::string& Error() const override { return error_; }

   private:
    MemoryFiles& files_;
    std::string path_;
    std::string error_;
  };
  class In : public InputFile {
   public:
    explicit In(const std::string& bytes) : source_(bytes.data(), bytes.size()) {}
    std::size_t Read(void* data, std::size_t size) override { return source_.Read(data, size); }
    std::uint64_t Remaining() const override { return source_.Remaining(); }
    const std::string& Error() const override { return source_.Error(); }

   private:
    MemorySource source_;
  };

  std::unique_ptr<OutputFile> CreateBeside(const std::string& path, std::string& temporary, std::string& error,
                                           bool& notAllowed) override {
    if (path.rfind("bad:", 0) == 0) {
      error = "Das System kann den angegebenen Pfad nicht finden.";
      return nullptr;
    }
    if (path.rfind("share:", 0) == 0) {
      error = kDenied;
      notAllowed = true;
      return nullptr;
    }
    besides.push_back(path);
    temporary = TemporaryPathBeside(path, ++made);
    if (stored.count(temporary)) faults.push_back("made over " + temporary);
    stored[temporary];
    open.insert(temporary);
    written = 0;
    return std::make_unique<Out>(*this, temporary);
  }
  std::unique_ptr<OutputFile> OpenInPlace(const std::string& path, std::string& error) override {
    if (path.rfind("share:", 0) == 0 && !stored.count(path)) {
      error = kDenied;
      return nullptr;
    }
    inPlace.push_back(path);
    stored[path].clear();
    open.insert(path);
    written = 0;
    return std::make_unique<Out>(*this, path);
  }
  bool Replace(const std::string& from, const std::string& to, std::string& error) override {
    if (open.count(from)) faults.push_back("put in place while open: " + from);
    if (to == lockedTarget) {
      error = "Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen Prozess verwendet wird.";
      return false;
    }
    stored[to] = stored.at(from);
    stored.erase(from);
    placed.push_back(to);
    return true;
  }
  void Remove(const std::string& path) override {
    if (open.count(path)) faults.push_back("removed while open: " + path);
    stored.erase(path);
  }
  std::unique_ptr<InputFile> OpenRead(const std::string& path, std::string& error) override {
    opened.push_back(path);
    auto it = stored.find(path);
    if (it == stored.end()) {
      error = "Das System kann die angegebene Datei nicht finden.";
      return nullptr;
    }
    return std::make_unique<In>(it->second);
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  std::map<std::string, std::string> stored;
  std::set<std::string> open;
  std::vector<std::string> besides, inPlace, placed, opened, messages;
  std::vector<std::string> faults;  // what the platform would refuse
  std::size_t diskSpace = SIZE_MAX;
  std::size_t written = 0;
  bool failClose = false;
  bool throwOnWrite = false;
  std::string lockedTarget;
  std::uint32_t made = 0;
  int writes = 0;
  int rewinds = 0;
};

TEST(FileExtension, IsTheFileNamesLastDotPart) {
  EXPECT_EQ(FileExtension("C:\\a\\x.bin"), "bin");
  EXPECT_EQ(FileExtension("C:\\a.b\\x"), "");
  EXPECT_EQ(FileExtension("x.tar.LOG"), "LOG");
  EXPECT_EQ(FileExtension("x"), "");
  EXPECT_EQ(FileExtension("/tmp/dir.d/x"), "");
}

struct SaveCase {
  const char* chosen;
  const char* path;
  SaveFormat format;
};

class PlanSaveTest : public ::testing::TestWithParam<SaveCase> {};

TEST_P(PlanSaveTest, ExtensionAloneDecides) {
  const SavePlan plan = PlanSave(GetParam().chosen);
  EXPECT_EQ(plan.path, GetParam().path);
  EXPECT_EQ(plan.format, GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, PlanSaveTest,
    ::testing::Values(SaveCase{"C:\\t\\x", "C:\\t\\x.BIN", SaveFormat::kBinary},
                      SaveCase{"x.bin", "x.bin", SaveFormat::kBinary},
                      SaveCase{"x.BIN", "x.BIN", SaveFormat::kBinary},
                      SaveCase{"x.log", "x.log", SaveFormat::kBinary},
                      SaveCase{"x.LOG", "x.LOG", SaveFormat::kBinary},
                      SaveCase{"x.Log", "x.Log", SaveFormat::kBinary},
                      SaveCase{"x.csv", "x.csv", SaveFormat::kCsv},
                      SaveCase{"x.CsV", "x.CsV", SaveFormat::kCsv},
                      SaveCase{"x.txt", "x.txt", SaveFormat::kNothing},
                      SaveCase{"x.binx", "x.binx", SaveFormat::kNothing}));

TEST(PlanOpen, ReadsOnlyBinAndLogAndAddsBinToABareName) {
  EXPECT_EQ(PlanOpen("y").path, "y.BIN");
  EXPECT_TRUE(PlanOpen("y").read);
  EXPECT_TRUE(PlanOpen("y.Log").read);
  EXPECT_TRUE(PlanOpen("y.bin").read);
  EXPECT_FALSE(PlanOpen("y.csv").read);
  EXPECT_FALSE(PlanOpen("y.txt").read);
}

class FileCommandsTest : public IntakeTest {
 protected:
  void TearDown() override { EXPECT_TRUE(files.faults.empty()) << files.faults[0]; }
  void Fill() {
    Add(0x103, "PID=1,TID=2,   12:00:00.000  (00000ms)   erste");
    Add(0x403, "zweite, mit \"Komma\"");
  }
  MemoryFiles files;
};

TEST_F(FileCommandsTest, LogAndBinHoldTheSameBytes) {
  Fill();
  EXPECT_EQ(SaveList("x.log", rows, files).path, "x.log");
  EXPECT_EQ(SaveList("x.bin", rows, files).path, "x.bin");
  EXPECT_EQ(files.stored["x.log"], files.stored["x.bin"]);
  EXPECT_EQ(files.stored["x.bin"].substr(0, 4), std::string("\x01\0\0\0", 4));
  EXPECT_TRUE(files.messages.empty());
}

TEST_F(FileCommandsTest, BareNameSavesBinaryUnderDotBin) {
  Fill();
  const SaveResult saved = SaveList("x", rows, files);
  EXPECT_EQ(saved.path, "x.BIN");
  EXPECT_TRUE(saved.written);
  EXPECT_EQ(files.placed, std::vector<std::string>{"x.BIN"});
}

TEST_F(FileCommandsTest, CsvIsTheExport) {
  Fill();
  SaveList("x.csv", rows, files);
  EXPECT_EQ(files.stored["x.csv"],
            "\"PID=1,TID=2\",\"12:00:00.000\",\"(00000ms)   erste\"\r\n"
            "\"\",\"\",\"zweite, mit \"\"Komma\"\"\"\r\n");
}

TEST_F(FileCommandsTest, UnknownExtensionWritesNothingShowsNothingButIsRemembered) {
  Fill();
  const SaveResult saved = SaveList("x.txt", rows, files);
  EXPECT_EQ(saved.path, "x.txt");
  EXPECT_FALSE(saved.written);
  EXPECT_TRUE(files.stored.empty());
  EXPECT_TRUE(files.messages.empty());
}

TEST_F(FileCommandsTest, SaveWritesInLargeBlocksNotPerField) {
  for (int i = 0; i < 2000; ++i) Add(3, "eine Zeile mit etwas Text");
  SaveList("x.bin", rows, files);
  EXPECT_LE(files.writes, 2);
  SaveList("x.csv", rows, files);
  EXPECT_LE(files.writes, 4);
}

TEST_F(FileCommandsTest, FileErrorsAreShownWithTheirOwnText) {
  Fill();
  SaveList("bad:\\x.bin", rows, files);
  EXPECT_TRUE(files.inPlace.empty()) << "only a folder that refuses new files is written in place";
  ASSERT_EQ(files.messages.size(), 1u);
  EXPECT_EQ(files.messages[0], "Das System kann den angegebenen Pfad nicht finden.");
  files.diskSpace = 0;
  SaveList("x.csv", rows, files);
  ASSERT_EQ(files.messages.size(), 2u);
  EXPECT_EQ(files.messages[1], kDiskFull);
}

TEST_F(FileCommandsTest, SaveOverAnOldFileReplacesItWholeAndLeavesNothingBeside) {
  Fill();
  files.stored["x.bin"] = "alte Datei";
  SaveList("x.bin", rows, files);
  MemorySink expected;
  WriteBinaryFile(rows, expected);
  EXPECT_EQ(files.stored["x.bin"], std::string(expected.Bytes().begin(), expected.Bytes().end()));
  EXPECT_EQ(files.stored.size(), 1u);
  EXPECT_EQ(files.besides, std::vector<std::string>{"x.bin"}) << "the new file is made beside the target";
  EXPECT_TRUE(files.messages.empty());
}

// Where a save can fail after the new file was made: the old file stays as
// it was, the new one goes, and the failure is told in the file layer's words.
struct FailedSaveCase {
  const char* name;
  const char* path;
  std::size_t diskSpace;
  bool failClose;
  bool locked;
  const char* message;
};

void PrintTo(const FailedSaveCase& c, std::ostream* out) { *out << c.name; }

class FailedSaveTest : public FileCommandsTest, public ::testing::WithParamInterface<FailedSaveCase> {};

constexpr char kGone[] = "Der angegebene Netzwerkname ist nicht mehr verf\xFCgbar.";
constexpr char kInUse[] =
    "Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen Prozess verwendet wird.";

TEST_P(FailedSaveTest, OldFileStaysAndThePartialOneGoes) {
  // More than one block of the writer, so that a disk can fill after the first.
  for (int i = 0; i < 30000; ++i) Add(3, "PID=1,TID=2,   12:00:00.000  (00000ms)   eine Zeile");
  const FailedSaveCase& c = GetParam();
  const std::string old = std::string("alt\0\r\n", 6) + c.path;
  files.stored[c.path] = old;
  files.diskSpace = c.diskSpace;
  files.failClose = c.failClose;
  if (c.locked) files.lockedTarget = c.path;
  const SaveResult saved = SaveList(c.path, rows, files);
  EXPECT_EQ(saved.path, c.path);
  EXPECT_FALSE(saved.written);
  EXPECT_EQ(files.stored, (std::map<std::string, std::string>{{c.path, old}}));
  EXPECT_TRUE(files.placed.empty());
  EXPECT_EQ(files.messages, std::vector<std::string>{c.message});
  if (c.diskSpace >= kStreamBuffer && c.diskSpace != SIZE_MAX) {
    EXPECT_GE(files.writes, 1) << "a part was written before the disk was full";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedSaveTest,
    ::testing::Values(FailedSaveCase{"NothingFits", "x.bin", 0, false, false, kDiskFull},
                      FailedSaveCase{"DiskFullAfterABlock", "x.bin", kStreamBuffer, false, false, kDiskFull},
                      FailedSaveCase{"CsvDiskFullAfterABlock", "x.csv", kStreamBuffer, false, false, kDiskFull},
                      FailedSaveCase{"LogDiskFullAfterABlockAndAHalf", "x.log", kStreamBuffer * 3 / 2, false, false, kDiskFull},
                      FailedSaveCase{"ShareGoneAtTheClose", "x.log", SIZE_MAX, true, false, kGone},
                      FailedSaveCase{"WriteFailureIsToldNotTheClose", "x.bin", 10, true, false, kDiskFull},
                      FailedSaveCase{"TargetInUse", "x.bin", SIZE_MAX, false, true, kInUse}),
    [](const ::testing::TestParamInfo<FailedSaveCase>& info) { return std::string(info.param.name); });

TEST_F(FileCommandsTest, FailedSaveToANewNameLeavesNoFile) {
  Fill();
  files.diskSpace = 5;
  SaveList("neu.csv", rows, files);
  EXPECT_TRUE(files.stored.empty());
  EXPECT_EQ(files.messages, std::vector<std::string>{kDiskFull});
}

TEST_F(FileCommandsTest, SaveEndedByAnExceptionRemovesThePartialFile) {
  Fill();
  files.stored["x.bin"] = "alt";
  files.throwOnWrite = true;
  EXPECT_THROW(SaveList("x.bin", rows, files), std::bad_alloc);
  EXPECT_EQ(files.stored, (std::map<std::string, std::string>{{"x.bin", "alt"}}));
}

// A folder where the user may change a file but make none: the target is
// written in place, as before saves went beside it; a failure is told and
// leaves it part written, and a target that is not there cannot be made.
struct InPlaceCase {
  const char* name;
  bool targetThere;
  std::size_t diskSpace;
  bool failClose;
  const char* message;  // none when the save succeeds
};

void PrintTo(const InPlaceCase& c, std::ostream* out) { *out << c.name; }

class InPlaceSaveTest : public FileCommandsTest, public ::testing::WithParamInterface<InPlaceCase> {};

TEST_P(InPlaceSaveTest, TargetIsWrittenItself) {
  const InPlaceCase& c = GetParam();
  for (int i = 0; i < 30000; ++i) Add(3, "PID=1,TID=2,   12:00:00.000  (00000ms)   eine Zeile");
  const std::string path = "share:\\liste.bin";
  if (c.targetThere) files.stored[path] = "alte Datei";
  files.diskSpace = c.diskSpace;
  files.failClose = c.failClose;
  const SaveResult saved = SaveList(path, rows, files);
  EXPECT_EQ(saved.written, c.message == nullptr);
  EXPECT_TRUE(files.placed.empty());
  if (!c.message) {
    EXPECT_TRUE(files.messages.empty());
    MemorySink expected;
    WriteBinaryFile(rows, expected);
    EXPECT_EQ(files.stored, (std::map<std::string, std::string>{
                                {path, std::string(expected.Bytes().begin(), expected.Bytes().end())}}));
    return;
  }
  EXPECT_EQ(files.messages, std::vector<std::string>{c.message});
  EXPECT_EQ(files.stored.size(), c.targetThere ? 1u : 0u) << "nothing beside it";
}

INSTANTIATE_TEST_SUITE_P(
    Shares, InPlaceSaveTest,
    ::testing::Values(InPlaceCase{"OverAnOldFile", true, SIZE_MAX, false, nullptr},
                      InPlaceCase{"NoFileToChange", false, SIZE_MAX, false, kDenied},
                      InPlaceCase{"DiskFullAfterABlock", true, kStreamBuffer, false, kDiskFull},
                      InPlaceCase{"ShareGoneAtTheClose", true, SIZE_MAX, true, kGone}),
    [](const ::testing::TestParamInfo<InPlaceCase>& info) { return std::string(info.param.name); });

// A row beyond code page 1252 after the first buffer went to the file: the
// file starts again, as version 2 or as UTF-8 behind a mark, beside the
// target or in place, and what takes the target's place is whole. "Angezeigte
// Zeilen speichern" saves its rows the same way.
struct Utf8SaveCase {
  const char* name;
  const char* path;
};

class Utf8SaveTest : public FileCommandsTest, public ::testing::WithParamInterface<Utf8SaveCase> {};

TEST_P(Utf8SaveTest, FileStartsAgainInUtf8) {
  for (int i = 0; i < 30000; ++i) Add(3, "PID=1,TID=2,   12:00:00.000  (00000ms)   eine Zeile \xC3\xA4");
  const std::string polish = "Serwer \xC5\x82\xC3\xB3" "d\xC5\xBA-02 nie odpowiada";  // "łódź"
  Add(3, polish.c_str());
  const std::string path = GetParam().path;
  files.stored[path] = "alte Datei";
  const SaveResult saved = SaveList(path, rows, files);
  EXPECT_TRUE(saved.written);
  EXPECT_TRUE(files.messages.empty());
  EXPECT_EQ(files.rewinds, 1);
  const bool csv = FileExtension(path) == "csv";
  MemorySink expected;
  ASSERT_TRUE(csv ? ExportCsv(rows, expected) : WriteBinaryFile(rows, expected));
  const std::string bytes(expected.Bytes().begin(), expected.Bytes().end());
  EXPECT_EQ(bytes.substr(0, 4), csv ? std::string(kUtf8ByteOrderMark) + '"' : std::string("\x02\0\0\0", 4));
  EXPECT_EQ(files.stored, (std::map<std::string, std::string>{{path, bytes}}));
  if (csv) return;
  OpenList(path, rows, intake, files);
  ASSERT_EQ(rows.size(), 30001u);
  EXPECT_EQ(MessageAt(0), "(00000ms)   eine Zeile \xC3\xA4");
  EXPECT_EQ(MessageAt(30000), polish);
}

INSTANTIATE_TEST_SUITE_P(Saves, Utf8SaveTest,
                         ::testing::Values(Utf8SaveCase{"Binary", "x.bin"}, Utf8SaveCase{"Csv", "x.csv"},
                                           Utf8SaveCase{"BinaryInPlace", "share:\\x.log"},
                                           Utf8SaveCase{"CsvInPlace", "share:\\x.csv"}),
                         [](const ::testing::TestParamInfo<Utf8SaveCase>& info) {
                           return std::string(info.param.name);
                         });

struct TemporaryCase {
  const char* target;
  std::uint32_t number;
  const char* temporary;
};

class TemporaryPathTest : public ::testing::TestWithParam<TemporaryCase> {};

TEST_P(TemporaryPathTest, IsInTheTargetsFolder) {
  EXPECT_EQ(TemporaryPathBeside(GetParam().target, GetParam().number), GetParam().temporary);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, TemporaryPathTest,
    ::testing::Values(TemporaryCase{"C:\\Logs\\liste.bin", 0x1A2B, "C:\\Logs\\~PLX00001A2B.tmp"},
                      TemporaryCase{"\\\\server\\share\\x.csv", 0xFFFFFFFF, "\\\\server\\share\\~PLXFFFFFFFF.tmp"},
                      TemporaryCase{"C:x.bin", 7, "C:~PLX00000007.tmp"},
                      TemporaryCase{"x.bin", 0, "~PLX00000000.tmp"},
                      TemporaryCase{"Z:\\tmp/d.d/x", 16, "Z:\\tmp/d.d/~PLX00000010.tmp"}));

TEST_F(FileCommandsTest, OpenReplacesTheListAndStartsTheIndentationAgain) {
  Fill();
  SaveList("x.log", rows, files);
  Add(1, "Konstruktor der Klasse CSignal ");
  ASSERT_EQ(intake.IndentationDepth(), 3);
  const int updatesBefore = rows.updates;
  OpenList("x.log", rows, intake, files);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(MessageAt(0), "(00000ms)   erste");
  EXPECT_EQ(RowAt(0).process, "PID=1,TID=2");
  EXPECT_EQ(RowAt(0).colour, kRed);
  EXPECT_EQ(intake.IndentationDepth(), 0);
  EXPECT_EQ(rows.updates, updatesBefore + 1);
}

TEST_F(FileCommandsTest, OpenOfABareNameReadsDotBin) {
  Fill();
  SaveList("y", rows, files);
  intake.ClearList();
  OpenList("y", rows, intake, files);
  EXPECT_EQ(files.opened, std::vector<std::string>{"y.BIN"});
  EXPECT_EQ(rows.size(), 2u);
}

TEST_F(FileCommandsTest, OpenOfAnotherExtensionKeepsTheListButResetsTheDepth) {
  Fill();
  Add(1, "Konstruktor der Klasse CSignal ");
  OpenList("x.csv", rows, intake, files);
  EXPECT_TRUE(files.opened.empty());
  EXPECT_EQ(rows.size(), 3u);
  EXPECT_EQ(intake.IndentationDepth(), 0);
}

TEST_F(FileCommandsTest, MissingFileLeavesTheListEmptyWithTheFileError) {
  Fill();
  OpenList("nowhere.bin", rows, intake, files);
  EXPECT_TRUE(rows.empty());
  ASSERT_EQ(files.messages.size(), 1u);
  EXPECT_EQ(files.messages[0], "Das System kann die angegebene Datei nicht finden.");
}

TEST_F(FileCommandsTest, ForeignFileLeavesTheListEmptyAndSilent) {
  files.stored["text.bin"] = "PID=1,TID=2 kein Bin\xE4" "rformat";
  Fill();
  OpenList("text.bin", rows, intake, files);
  EXPECT_TRUE(rows.empty());
  EXPECT_TRUE(files.messages.empty());
}

TEST_F(FileCommandsTest, DamagedFileKeepsTheRowsBeforeTheDamage) {
  Fill();
  SaveList("x.bin", rows, files);
  std::string& bytes = files.stored["x.bin"];
  bytes.resize(bytes.size() - 3);
  OpenList("x.bin", rows, intake, files);
  EXPECT_EQ(rows.size(), 1u);
  ASSERT_EQ(files.messages.size(), 1u);
  EXPECT_EQ(files.messages[0], DamagedFileMessage("x.bin", 1));
}

// A store whose memory runs out after some rows, as a list does on a file
// larger than memory.
class ShortOfMemoryRows : public CountingRows {
 public:
  bool AppendBlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                      std::size_t blockSize) override {
    if (size() >= rowsThatFit) throw std::bad_alloc();
    return CountingRows::AppendBlockRow(kind, colours, block, blockSize);
  }
  std::size_t rowsThatFit = 0;
};

TEST_F(FileCommandsTest, OpenThatRunsOutOfMemoryKeepsTheRowsReadAndFinishes) {
  for (int i = 0; i < 5; ++i) Add(3, ("Zeile " + std::to_string(i)).c_str());
  SaveList("gross.bin", rows, files);
  ShortOfMemoryRows shortRows;
  shortRows.rowsThatFit = 3;
  MessageIntake shortIntake(switches, shortRows, dialogs);
  shortIntake.AddMessage(1, "Konstruktor der Klasse CSignal ", kSourceSystem);
  ASSERT_NE(shortIntake.IndentationDepth(), 0);
  const int updatesBefore = shortRows.updates;
  OpenList("gross.bin", shortRows, shortIntake, files);
  ASSERT_EQ(shortRows.size(), 3u);
  EXPECT_EQ(shortRows.Row(2).Text(2), "Zeile 2");
  EXPECT_EQ(files.messages, std::vector<std::string>{DamagedFileMessage("gross.bin", 3)});
  EXPECT_EQ(shortIntake.IndentationDepth(), 0);
  EXPECT_EQ(shortRows.updates, updatesBefore + 1);
}

TEST_F(FileCommandsTest, MoreRowsThanTheLimitLoadAndTheNextLineAsks) {
  for (int i = 0; i < 20; ++i) Add(3, "row");
  SaveList("big.bin", rows, files);
  switches.maxCount = 10;
  OpenList("big.bin", rows, intake, files);
  EXPECT_EQ(rows.size(), 20u);
  EXPECT_TRUE(dialogs.questions.empty());
  Add(3, "next");
  EXPECT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(rows.size(), 1u);
}

TEST(FileErrorText, IsCutTo1023Characters) {
  EXPECT_EQ(FileErrorText(std::string(5000, 'e')).size(), 1023u);
  EXPECT_EQ(FileErrorText("kurz"), "kurz");
}

// The file dialog as the user meets it: names it was shown with, and how it ended.
struct DialogScript {
  std::vector<std::string> shownWith;
  std::vector<std::pair<std::optional<std::string>, std::uint32_t>> endings;
  ShowFileDialog Show() {
    return [this](const std::string& name, std::uint32_t& error) {
      shownWith.push_back(name);
      const auto ending = endings.at(shownWith.size() - 1);
      error = ending.second;
      return ending.first;
    };
  }
};

TEST(ChooseFileName, ADialogThatFailsOnTheStoredNameIsShownAgainWithoutIt) {
  constexpr std::uint32_t kInvalidName = 0x3002;
  DialogScript failsThenChosen{{}, {{std::nullopt, kInvalidName}, {"C:\\neu.bin", 0}}};
  EXPECT_EQ(ChooseFileName("C:\\a<b>|.bin", failsThenChosen.Show()), "C:\\neu.bin");
  EXPECT_EQ(failsThenChosen.shownWith, (std::vector<std::string>{"C:\\a<b>|.bin", ""}));

  DialogScript failsThenCancelled{{}, {{std::nullopt, kInvalidName}, {std::nullopt, 0}}};
  EXPECT_EQ(ChooseFileName("C:\\a<b>|.bin", failsThenCancelled.Show()), std::nullopt);
  EXPECT_EQ(failsThenCancelled.shownWith.size(), 2u);

  DialogScript failsAlways{{}, {{std::nullopt, kInvalidName}, {std::nullopt, kInvalidName}}};
  EXPECT_EQ(ChooseFileName("x|y", failsAlways.Show()), std::nullopt) << "shown twice at most";
  EXPECT_EQ(failsAlways.shownWith.size(), 2u);
}

TEST(ChooseFileName, CancelAndAnEmptyNameAreAskedOnce) {
  DialogScript cancelled{{}, {{std::nullopt, 0}}};
  EXPECT_EQ(ChooseFileName("C:\\alt.bin", cancelled.Show()), std::nullopt);
  DialogScript failsWithoutName{{}, {{std::nullopt, 0xFFFF}}};
  EXPECT_EQ(ChooseFileName("", failsWithoutName.Show()), std::nullopt);
  EXPECT_EQ(cancelled.shownWith.size() + failsWithoutName.shownWith.size(), 2u);
}

}  // namespace
}  // namespace ploxen::test

// What Save and Open do with the chosen path.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "storage/binary_file.h"
#include "storage/file_commands.h"
#include "tests/support/intake_fixture.h"
#include "tests/support/row_builders.h"

namespace ploxen::test {
namespace {

// Files in memory; paths that start with "bad:" cannot be opened.
class MemoryFiles : public FileAccess {
 public:
  class Out : public OutputFile {
   public:
    Out(MemoryFiles& files, std::string path) : files_(files), path_(std::move(path)) {}
    bool Write(const void* data, std::size_t size) override {
      if (files_.failWrites) {
        error_ = "Nicht gen\xFC" "gend Speicherplatz auf dem Datentr\xE4" "ger.";
        return false;
      }
      auto& bytes = files_.stored[path_];
      bytes.append(static_cast<const char*>(data), size);
      ++files_.writes;
      return true;
    }
    bool Close() override { return true; }
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

  std::unique_ptr<OutputFile> Create(const std::string& path, std::string& error) override {
    created.push_back(path);
    if (path.rfind("bad:", 0) == 0) {
      error = "Das System kann den angegebenen Pfad nicht finden.";
      return nullptr;
    }
    stored[path].clear();
    return std::make_unique<Out>(*this, path);
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
  std::vector<std::string> created, opened, messages;
  bool failWrites = false;
  int writes = 0;
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
  void Fill() {
    Add(0x103, "PID=1,TID=2,   12:00:00.000  (00000ms)   erste");
    Add(0x403, "zweite, mit \"Komma\"");
  }
  MemoryFiles files;
};

TEST_F(FileCommandsTest, LogAndBinHoldTheSameBytes) {
  Fill();
  EXPECT_EQ(SaveList("x.log", rows, files), "x.log");
  EXPECT_EQ(SaveList("x.bin", rows, files), "x.bin");
  EXPECT_EQ(files.stored["x.log"], files.stored["x.bin"]);
  EXPECT_EQ(files.stored["x.bin"].substr(0, 4), std::string("\x01\0\0\0", 4));
  EXPECT_TRUE(files.messages.empty());
}

TEST_F(FileCommandsTest, BareNameSavesBinaryUnderDotBin) {
  Fill();
  EXPECT_EQ(SaveList("x", rows, files), "x.BIN");
  EXPECT_EQ(files.created, std::vector<std::string>{"x.BIN"});
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
  EXPECT_EQ(SaveList("x.txt", rows, files), "x.txt");
  EXPECT_TRUE(files.created.empty());
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
  ASSERT_EQ(files.messages.size(), 1u);
  EXPECT_EQ(files.messages[0], "Das System kann den angegebenen Pfad nicht finden.");
  files.failWrites = true;
  SaveList("x.csv", rows, files);
  ASSERT_EQ(files.messages.size(), 2u);
  EXPECT_EQ(files.messages[1], "Nicht gen\xFC" "gend Speicherplatz auf dem Datentr\xE4" "ger.");
}

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

}  // namespace
}  // namespace ploxen::test

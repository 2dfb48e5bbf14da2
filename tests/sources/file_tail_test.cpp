// Following a text file by name: growth, rotation, truncation, a name that
// comes later, a share that goes, the encodings and the last lines at the
// start, against a file layer whose files the test changes between rounds.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/text.h"
#include "sources/file_tail.h"

namespace ploxen::test {
namespace {

struct Content {
  std::uint64_t index = 0;
  std::string bytes;
};

class FakeFile : public TailFile {
 public:
  FakeFile(std::shared_ptr<Content> content, const bool& failing) : content_(std::move(content)), failing_(failing) {}
  FileIdentity Identity() const override { return {7, content_->index}; }
  std::optional<std::uint64_t> Size() override {
    if (failing_) return std::nullopt;
    return content_->bytes.size();
  }
  std::optional<std::size_t> ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    if (failing_) return std::nullopt;
    ++reads;
    if (offset >= content_->bytes.size()) return 0;
    return content_->bytes.copy(buffer, size, static_cast<std::size_t>(offset));
  }
  static inline int reads = 0;

 private:
  std::shared_ptr<Content> content_;
  const bool& failing_;
};

// Names to contents, as a folder holds them: a rename moves the content, a
// handle keeps its content whatever the name does.
class FakeFolder : public TailFiles {
 public:
  Opened Open(const std::string& name) override {
    if (failing) return {TailOpen::kFailed, nullptr, 53};
    if (name == "ordner") return {TailOpen::kFolder, nullptr, 0};
    if (name == "NUL") return {TailOpen::kDevice, nullptr, 0};
    const auto found = files.find(name);
    if (found == files.end()) return {TailOpen::kMissing, nullptr, 2};
    return {TailOpen::kOpened, std::make_unique<FakeFile>(found->second, failing), 0};
  }
  std::string& Make(const std::string& name, std::string bytes = {}) {
    auto content = std::make_shared<Content>();
    content->index = ++lastIndex;
    content->bytes = std::move(bytes);
    files[name] = content;
    return content->bytes;
  }
  std::string& Bytes(const std::string& name) { return files.at(name)->bytes; }
  void Rename(const std::string& from, const std::string& to) {
    files[to] = files.at(from);
    files.erase(from);
  }

  std::map<std::string, std::shared_ptr<Content>> files;
  std::uint64_t lastIndex = 0;
  bool failing = false;
};

struct Follow {
  explicit Follow(FakeFolder& folder, int lastLines = 1000, std::string name = "app.log")
      : tail(folder, std::move(name), lastLines) {}
  // A round later than the one before: the name is looked at each time.
  std::vector<std::string> Round(std::int64_t stepMs = kTailNameLookMs, std::size_t maxLines = 100000,
                                 std::size_t maxBytes = 1 << 20) {
    now += stepMs;
    std::vector<std::string> lines;
    tail.Poll(now, lines, maxLines, maxBytes);
    return lines;
  }
  // Rounds until nothing more is read.
  std::vector<std::string> Drain(std::size_t maxLines = 100000, std::size_t maxBytes = 1 << 20) {
    std::vector<std::string> all;
    for (int still = 0; still < 5;) {
      now += kTailNameLookMs;
      std::vector<std::string> lines;
      const bool read = tail.Poll(now, lines, maxLines, maxBytes);
      still = read || !lines.empty() ? 0 : still + 1;
      all.insert(all.end(), lines.begin(), lines.end());
    }
    return all;
  }
  FileTail tail;
  std::int64_t now = 1000;
};

using Lines = std::vector<std::string>;

TEST(FileTail, AFileThereStartsWithItsLastLinesThenFollowsItsGrowth) {
  struct Case {
    const char* what;
    int lastLines;
    std::string bytes;
    Lines first;
  };
  const Case cases[] = {
      {"the last two", 2, "a\nb\nc\n", {"b", "c"}},
      {"fewer than asked: all", 1000, "a\nb\nc\n", {"a", "b", "c"}},
      {"none", 0, "a\nb\nc\n", {}},
      {"a last line without its end counts", 2, "a\nb\nc", {"b", "c"}},
      {"CR LF", 1, "a\r\nb\r\n", {"b"}},
      {"an empty file", 5, "", {}},
      {"UTF-16 little-endian", 1, std::string("\xFF\xFE" "a\0\n\0b\0\n\0", 10), {"b"}},
      {"UTF-16 big-endian, all", 5, std::string("\xFE\xFF\0a\0\n\0b\0\n", 10), {"a", "b"}},
      {"UTF-8 mark", 5, "\xEF\xBB\xBFx\n", {"x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFolder folder;
    folder.Make("app.log", c.bytes);
    Follow follow(folder, c.lastLines);
    Lines first = follow.Round();
    // The line without its end shows once the file has been still.
    const Lines later = follow.Round(kTailPartialLineMs);
    first.insert(first.end(), later.begin(), later.end());
    EXPECT_EQ(first, c.first);
    std::string& bytes = folder.Bytes("app.log");
    if (c.bytes.size() && c.bytes[0] == '\xFF') {
      bytes += std::string("n\0e\0u\0\n\0", 8);
    } else if (c.bytes.size() && c.bytes[0] == '\xFE') {
      bytes += std::string("\0n\0e\0u\0\n", 8);
    } else {
      if (!bytes.empty() && bytes.back() != '\n') bytes += '\n';
      bytes += "neu\n";
    }
    // The end of a line shown without it makes no empty row.
    EXPECT_EQ(follow.Drain(), Lines{"neu"});
  }
}

TEST(FileTail, RenamedAwayAndMadeAgainTheOldIsReadToItsEndThenTheNewFromItsStart) {
  FakeFolder folder;
  folder.Make("app.log", "alt\n");
  Follow follow(folder, 0);
  EXPECT_TRUE(follow.Round().empty());
  // The writer still writes to the old file after the rename, before it opens the new.
  folder.Bytes("app.log") += "eins\n";
  folder.Rename("app.log", "app.log.1");
  EXPECT_EQ(follow.Round(), Lines{"eins"});
  folder.Bytes("app.log.1") += "zwei\nrest ohne Ende";
  EXPECT_EQ(follow.Round(), Lines{"zwei"});
  folder.Make("app.log", "drei\n");
  EXPECT_EQ(follow.Drain(), (Lines{"rest ohne Ende", "drei"}));
  folder.Bytes("app.log") += "vier\n";
  EXPECT_EQ(follow.Drain(), Lines{"vier"});
  EXPECT_EQ(follow.tail.LostLines(), 0u);
  EXPECT_TRUE(follow.tail.TakeNotices().empty());
}

TEST(FileTail, ATruncatedFileIsReadFromItsStartAndOnlyWhatWasNeverReadCounts) {
  struct Case {
    const char* what;
    std::size_t maxBytes;  // what the round may read before the truncation
    bool grownWhileHeld;   // four more lines while the caller could take none
    std::uint64_t lost;
  };
  const Case cases[] = {{"all read before: nothing lost", 1000, false, 0},
                        {"two of four unread: lost", 16, false, 2},
                        {"grown while held: counted too", 16, true, 6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFolder folder;
    folder.Make("app.log");
    Follow follow(folder);
    follow.Round();
    folder.Bytes("app.log") = "zeile 1\nzeile 2\nzeile 3\nzeile 4\n";
    EXPECT_EQ(follow.Round(kTailNameLookMs, 1000, c.maxBytes).size(), std::min<std::size_t>(4, c.maxBytes / 8));
    if (c.grownWhileHeld) {
      folder.Bytes("app.log") += "zeile 5\nzeile 6\nzeile 7\nzeile 8\n";
      follow.tail.NoteSize();
    }
    folder.Bytes("app.log") = "neu\n";  // copytruncate: emptied, then written again
    EXPECT_EQ(follow.Drain(), Lines{"neu"});
    EXPECT_EQ(follow.tail.LostLines(), c.lost);
    EXPECT_EQ(follow.tail.TakeNotices().size(), c.lost ? 1u : 0u);
  }
}

// copytruncate: emptied and written past the reading before the next look.
TEST(FileTail, AFileEmptiedAndWrittenPastTheReadingIsReadFromItsStart) {
  FakeFolder folder;
  folder.Make("app.log");
  Follow follow(folder);
  follow.Round();
  folder.Bytes("app.log") = "zeile 1\nzeile 2\n";
  EXPECT_EQ(follow.Round().size(), 2u);
  folder.Bytes("app.log") = "zeile 3\nzeile 4\nzeile 5\n";
  EXPECT_EQ(follow.Drain(), (Lines{"zeile 3", "zeile 4", "zeile 5"}));
  EXPECT_EQ(follow.tail.LostLines(), 0u);
  folder.Bytes("app.log") += "zeile 6\n";
  EXPECT_EQ(follow.Drain(), Lines{"zeile 6"});
}

TEST(FileTail, AFileNotThereYetIsWaitedForAndReadWholeToldOnce) {
  FakeFolder folder;
  Follow follow(folder);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(follow.Round().empty());
  const auto notices = follow.tail.TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("gibt es noch nicht"), std::string::npos);
  folder.Make("app.log", "eins\nzwei\n");
  EXPECT_EQ(follow.Drain(), (Lines{"eins", "zwei"}));
}

TEST(FileTail, AShareThatGoesIsToldOnceAndReadOnWhereItStopped) {
  FakeFolder folder;
  folder.Make("app.log", "a\n");
  Follow follow(folder);
  EXPECT_EQ(follow.Round(), Lines{"a"});
  folder.Bytes("app.log") += "b\n";
  folder.failing = true;
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(follow.Round().empty());
  EXPECT_EQ(follow.tail.TakeNotices().size(), 1u);
  folder.failing = false;
  EXPECT_EQ(follow.Drain(), Lines{"b"});
  EXPECT_EQ(follow.tail.LostLines(), 0u);
}

TEST(FileTail, AFolderOrADeviceIsRefusedOnceWithItsReason) {
  struct Case {
    const char* name;
    const char* reason;
  };
  for (const Case& c : {Case{"ordner", "ist ein Ordner"}, Case{"NUL", "ist ein Ger\xC3\xA4t"}}) {
    FakeFolder folder;
    Follow follow(folder, 1000, c.name);
    for (int i = 0; i < 10; ++i) follow.Round();
    const auto notices = follow.tail.TakeNotices();
    ASSERT_EQ(notices.size(), 1u) << c.name;
    EXPECT_NE(notices[0].find(c.reason), std::string::npos) << notices[0];
  }
}

TEST(FileTail, ALastLineWithoutItsEndWaitsUntilTheFileIsStill) {
  FakeFolder folder;
  folder.Make("app.log");
  Follow follow(folder);
  follow.Round();
  folder.Bytes("app.log") += "halb";
  EXPECT_TRUE(follow.Round(10).empty());
  folder.Bytes("app.log") += "e Zeile";
  EXPECT_TRUE(follow.Round(kTailPartialLineMs - 1).empty());
  EXPECT_TRUE(follow.Round(kTailPartialLineMs - 1).empty());
  EXPECT_EQ(follow.Round(1), Lines{"halbe Zeile"});
  EXPECT_TRUE(follow.Round(kTailPartialLineMs).empty());
}

TEST(FileTail, EachEncodingBecomesTheRowsText) {
  struct Case {
    const char* what;
    std::string bytes;
    Lines lines;
  };
  const std::string ae = "\xC3\xA4";  // "ä" in UTF-8
  const Case cases[] = {
      {"ASCII, LF and CR LF", "a\nb\r\nc\n", {"a", "b", "c"}},
      {"UTF-8 without a mark", "gr" + ae + "n\n", {"gr" + ae + "n"}},
      {"code page 1252 line by line", "gr\xE4n\ngr" + ae + "n\n", {"gr" + ae + "n", "gr" + ae + "n"}},
      {"UTF-8 mark, invalid bytes", "\xEF\xBB\xBFgr\xE4n\n", {"gr\xEF\xBF\xBDn"}},
      {"UTF-8 mark, CR LF", "\xEF\xBB\xBF" + ae + "\r\n", {ae}},
      {"UTF-16 LE, CR LF, beyond the BMP",
       std::string("\xFF\xFE\xE4\0\r\0\n\0\x3D\xD8\x00\xDE\n\0", 14),
       {ae, "\xF0\x9F\x98\x80"}},
      {"UTF-16 BE", std::string("\xFE\xFF\0\xE4\0\n", 6), {ae}},
      {"UTF-16 LE, a line feed byte inside a unit", std::string("\xFF\xFE\x0A\x01\n\0", 6), {"\xC4\x8A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (std::size_t step : {std::size_t{1}, std::size_t{3}, std::size_t{1} << 20}) {
      // A file that did not exist at the start is read from its start, in
      // rounds of `step` bytes, so marks, units and lines break anywhere.
      FakeFolder folder;
      Follow follow(folder);
      follow.Round();
      folder.Make("app.log", c.bytes);
      EXPECT_EQ(follow.Drain(100000, step), c.lines) << "step " << step;
    }
  }
}

TEST(FileTail, AnEndlessLineIsShownCutAndNeverHeldWhole) {
  FakeFolder folder;
  folder.Make("app.log");
  Follow follow(folder);
  follow.Round();
  folder.Bytes("app.log") = std::string(3u << 20, 'x') + "\nnach\n";
  const Lines lines = follow.Drain();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(kTailLineBytesMax, 'x'));
  EXPECT_EQ(lines[1], "nach");
  // A cut inside a UTF-8 sequence does not make the piece code page 1252.
  folder.Bytes("app.log") += std::string(kTailLineBytesMax - 1, 'y') + "\xC3\xA4\xC3\xA4\n";
  const Lines cut = follow.Drain();
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0], std::string(kTailLineBytesMax - 1, 'y'));
}

TEST(FileTail, AFileOfOneHugeLineStartsNearItsEndWithoutReadingItWhole) {
  FakeFolder folder;
  folder.Make("app.log", std::string(3 * kTailBackScanMax, '\0') + "ende\n");
  Follow follow(folder, 1000);
  FakeFile::reads = 0;
  const Lines lines = follow.Drain();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_LE(FakeFile::reads, static_cast<int>(2 * kTailBackScanMax / (64 * 1024) + 10));
}

TEST(FileTail, LinesTheCallerCannotTakeStayInTheFile) {
  FakeFolder folder;
  folder.Make("app.log");
  Follow follow(folder);
  follow.Round();
  std::string& bytes = folder.Bytes("app.log");
  for (int i = 0; i < 1000; ++i) bytes += "zeile " + std::to_string(i) + "\n";
  Lines all;
  for (int round = 0; round < 200 && all.size() < 1000; ++round) {
    const Lines lines = follow.Round(1, 7, 64);
    all.insert(all.end(), lines.begin(), lines.end());
  }
  ASSERT_EQ(all.size(), 1000u);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(all[i], "zeile " + std::to_string(i));
  EXPECT_EQ(follow.tail.LostLines(), 0u);
}

TEST(FileTail, TheRowsNameTheFileAndANoticeComesBeforeTheLinesReadAfterIt) {
  FakeFolder folder;
  folder.Make("C:\\Logs\\Gr\xFCn.log", "alt 1\nalt 2\n");
  FileTail tail(folder, "C:\\Logs\\Gr\xFCn.log", 1000);
  LineStamp stamp([] { return TimeOfDay{12, 0, 0, 5}; });
  LineBatch batch;
  FollowedFileLines rows(batch, tail, stamp);
  std::int64_t now = 1000;
  tail.Poll(now, rows, 1000, 1 << 20);
  // Emptied with a line unread, then written again: the loss is told between them.
  folder.Bytes("C:\\Logs\\Gr\xFCn.log") += "nie gelesen\n";
  tail.NoteSize();
  folder.Bytes("C:\\Logs\\Gr\xFCn.log") = "neu\n";
  tail.Poll(now += kTailNameLookMs, rows, 1000, 1 << 20);
  rows.AddNotices();
  ASSERT_EQ(batch.Size(), 4u);
  for (std::size_t i = 0; i < batch.Size(); ++i) {
    EXPECT_EQ(batch.Source(i), kSourceFollowedFile);
    EXPECT_EQ(batch.Process(i), "Gr\xC3\xBCn.log");
    EXPECT_EQ(batch.Time(i), "12:00:00.005");
  }
  const auto said = [&](std::size_t i, std::string_view text) {
    return batch.Message(i).find(text) != std::string_view::npos;
  };
  EXPECT_TRUE(said(0, "alt 1") && said(1, "alt 2"));
  EXPECT_EQ(batch.Kind(2), FollowedFileLines::kNoticeKind);
  EXPECT_TRUE(said(2, "gek\xC3\xBCrzt"));
  EXPECT_EQ(batch.Kind(3), FollowedFileLines::kLineKind);
  EXPECT_TRUE(said(3, "neu"));
}

}  // namespace
}  // namespace ploxen::test

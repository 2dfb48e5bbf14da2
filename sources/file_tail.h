// "Datei verfolgen": a text file read as it grows, the way `tail -F` follows
// one by name. The reader stands on a small file layer so that growth,
// rotation, truncation and a share that goes away can be played in tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_record.h"
#include "core/line_stamp.h"

namespace ploxen {

// What stays the same while a file is renamed and differs for a file made
// anew under the old name: the volume's serial number and the file index.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileIdentity& o) const { return volume == o.volume && index == o.index; }
  bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};

// One open file, opened with full sharing so that the writer may append,
// rename, truncate or delete it meanwhile.
class TailFile {
 public:
  virtual ~TailFile() = default;
  virtual FileIdentity Identity() const = 0;
  // Nothing when the file cannot be asked any more (a share gone).
  virtual std::optional<std::uint64_t> Size() = 0;
  // Bytes read at offset, 0 at the end; nothing on a failure.
  virtual std::optional<std::size_t> ReadAt(std::uint64_t offset, char* buffer, std::size_t size) = 0;
};

enum class TailOpen { kOpened, kMissing, kFolder, kDevice, kFailed };

class TailFiles {
 public:
  struct Opened {
    TailOpen result = TailOpen::kFailed;
    std::unique_ptr<TailFile> file;  // set for kOpened only
    unsigned long error = 0;         // the system's code for kFailed
  };
  virtual ~TailFiles() = default;
  virtual Opened Open(const std::string& name) = 0;
};

enum class TailEncoding { kUndecided, kEightBit, kMarkedUtf8, kUtf16Le, kUtf16Be };

// The encoding a file's first bytes name: a byte-order mark, else the 8-bit
// rule line by line. Undecided while the bytes could still become a mark.
TailEncoding EncodingOfStart(std::string_view firstBytes, std::size_t& markSize);

// A line longer than this many bytes is shown cut here and the rest of it
// passed over: the message column keeps far fewer characters, and a file of
// one endless line is never held whole.
constexpr std::size_t kTailLineBytesMax = 4096;
// A last line without its end is shown once the file has not grown for this long.
constexpr std::int64_t kTailPartialLineMs = 500;
// A file renamed, made anew or back again is looked for by name no more often.
constexpr std::int64_t kTailNameLookMs = 200;
// The last lines are looked for no further back than this from the end.
constexpr std::uint64_t kTailBackScanMax = 8u << 20;
constexpr int kTailLastLinesDefault = 1000;

// Where a round's lines go, as UTF-8, each valid only for the call: a fast
// file is read without a string a line.
class TailLineSink {
 public:
  virtual ~TailLineSink() = default;
  virtual void Line(std::string_view text) = 0;
};

class FileTail {
 public:
  // lastLines: of a file there at the first look, only so many lines from
  // its end are shown (0: none). A file that comes later is read whole.
  FileTail(TailFiles& files, std::string name, int lastLines);

  // One round: the name looked at (no more often than kTailNameLookMs), then
  // complete lines read, as UTF-8, into `lines`, at most maxLines of them and
  // about maxBytes of the file. What is not read stays in the file. True when
  // the round read bytes, so that the caller looks again soon.
  bool Poll(std::int64_t nowMs, TailLineSink& lines, std::size_t maxLines, std::size_t maxBytes);
  // The same, the lines appended to `lines`.
  bool Poll(std::int64_t nowMs, std::vector<std::string>& lines, std::size_t maxLines, std::size_t maxBytes);

  // While the caller cannot take lines: only the size is looked at, so that
  // bytes truncated away before they were read are still counted.
  void NoteSize();

  // What a person must be told, each once, as UTF-8 rows: a file that cannot
  // be followed and why, and bytes lost. Taken by the caller.
  std::vector<std::string> TakeNotices();
  bool HasNotices() const { return !notices_.empty(); }
  // Lines that were gone before they were read (truncated, or the file lost
  // while bytes were left): counted from the bytes at the mean line length
  // read so far, at least one.
  std::uint64_t LostLines() const { return lostLines_; }
  const std::string& Name() const { return name_; }
  // The file's name without its folder, for the first column.
  const std::string& ShownName() const { return shownName_; }
  TailEncoding Encoding() const { return encoding_; }

 private:
  enum class Trouble { kNone, kMissing, kFolder, kDevice, kFailed };

  void LookAtName(std::int64_t nowMs);
  void Adopt(std::unique_ptr<TailFile> file, bool startAtEnd);
  void Tell(Trouble trouble, unsigned long error);
  void Lose(std::uint64_t bytes, const char* why);
  void ResetText();
  void DecideEncoding();
  bool StillAsSeen();
  std::uint64_t LastLinesStart(std::uint64_t size);
  // Bytes of the file into lines.
  void Feed(const char* data, std::size_t size, TailLineSink& lines);
  void FeedEightBit(const char* data, std::size_t size, TailLineSink& lines);
  void FeedUtf16(const char* data, std::size_t size, TailLineSink& lines);
  void EndLine(TailLineSink& lines);
  // At a line feed: a row of the line, or none where the feed (and a CR)
  // only ends a line already shown.
  void LineFeed(TailLineSink& lines);

  TailFiles& files_;
  std::string name_;
  std::string shownName_;
  int lastLines_;
  bool firstLook_ = true;
  std::int64_t nextNameLookMs_ = 0;

  std::unique_ptr<TailFile> file_;  // the file being read
  std::unique_ptr<TailFile> next_;  // made anew under the name: read once file_ is done
  FileIdentity identity_;
  bool hadFile_ = false;  // identity_ and offset_ are those of a file read before
  std::uint64_t offset_ = 0;
  std::uint64_t knownSize_ = 0;  // the largest size seen of this file
  // The last bytes read, as they were: a file emptied and written past the
  // reading again between two looks (copytruncate) has other bytes there.
  std::string seen_;
  std::int64_t lastGrowthMs_ = 0;

  TailEncoding encoding_ = TailEncoding::kUndecided;
  std::string line_;        // bytes of the line not yet ended
  bool passing_ = false;    // the rest of a cut line is passed over
  bool afterPartial_ = false;  // a line was shown without its end: its end makes no row
  std::string oddByte_;     // a UTF-16 unit's first byte
  std::u16string units_;    // work area
  std::string converted_;   // work area

  Trouble told_ = Trouble::kNone;
  std::vector<std::string> notices_;
  std::uint64_t lostLines_ = 0;
  std::uint64_t bytesRead_ = 0;
  std::uint64_t linesRead_ = 0;
  std::vector<char> buffer_;
};

// The rows of a followed file's lines, gathered into a batch: the file's
// name in the first column, the time column as the other roads stamp it. A
// notice goes in before the first line read after it was raised.
class FollowedFileLines : public TailLineSink {
 public:
  static constexpr MessageKind kLineKind = 0x303;
  static constexpr MessageKind kNoticeKind = 0x103;
  FollowedFileLines(LineBatch& batch, FileTail& tail, LineStamp& stamp) : batch_(batch), tail_(tail), stamp_(stamp) {}
  void Line(std::string_view text) override;
  // The notices not yet in the batch.
  void AddNotices();

 private:
  void Add(std::string_view text, MessageKind kind);

  LineBatch& batch_;
  FileTail& tail_;
  LineStamp& stamp_;
  // Work areas, kept so that a line costs no allocation.
  std::string time_, message_;
};
// The German texts of a file that cannot be followed, in code page 1252, for
// a box when the user chooses the file.
std::string FollowRefusedText(const std::string& name, TailOpen result, unsigned long error);

}  // namespace ploxen

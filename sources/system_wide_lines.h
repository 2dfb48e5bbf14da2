// The system-wide debug output apart from the system's objects: what one
// message in the shared section holds, how pieces become lines per process,
// which program a process id stands for, and the row and console forms of a
// line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/line_record.h"
#include "core/line_stamp.h"

namespace ploxen {

// The section every sender writes into: its process id, then its text.
constexpr std::size_t kSectionSize = 4096;
constexpr std::size_t kSectionTextMax = kSectionSize - 4;

struct SectionMessage {
  std::uint32_t processId = 0;
  std::string_view text;  // points into the section
};

// The text ends at its NUL; a section without one in its 4092 bytes gives
// all of them, never a byte past the section. Fewer than four bytes give
// nothing.
SectionMessage ReadSection(const unsigned char* section, std::size_t size);

struct JoinedLine {
  std::uint32_t processId = 0;
  std::int64_t arrivalMs = 0;  // when the line was complete
  std::string text;            // line end trimmed
};

// Pieces of one process are joined until a line feed. A piece waiting longer
// than the quiet time is a line of its own; one that grows past the maximum
// is handed on as it stands.
class LineJoiner {
 public:
  static constexpr std::int64_t kQuietMs = 100;
  static constexpr std::size_t kPendingMax = 64 * 1024;

  // Every line the piece completes is appended to out.
  void Add(std::uint32_t processId, std::int64_t arrivalMs, std::string_view piece, std::vector<JoinedLine>& out);
  // Pieces quiet since quietMs before now become lines, in the order their
  // processes last wrote.
  void Flush(std::int64_t nowMs, std::vector<JoinedLine>& out);
  // All pieces still waiting, at once (the road stops).
  void FlushAll(std::int64_t nowMs, std::vector<JoinedLine>& out);
  // Gives up the pieces still waiting: the number of lines lost with them.
  std::size_t Drop();
  bool Pending() const { return !pending_.empty(); }

 private:
  struct Piece {
    std::string text;
    std::int64_t lastMs = 0;
  };
  void Emit(std::uint32_t processId, std::int64_t arrivalMs, std::string_view text, std::vector<JoinedLine>& out);
  void FlushWaiting(std::int64_t nowMs, bool all, std::vector<JoinedLine>& out);

  std::unordered_map<std::uint32_t, Piece> pending_;
};

// The platform's view of processes, for ProgramNames.
class ProcessProbe {
 public:
  virtual ~ProcessProbe() = default;
  using Handle = std::uintptr_t;  // 0 = none
  // Opens a running process: its handle, and its image file name in name.
  // While the handle is held the system gives its id to no other process.
  virtual Handle Open(std::uint32_t processId, std::string& name) = 0;
  // The image file name of a process opened elsewhere; empty when unknown.
  virtual std::string Name(Handle process) = 0;
  virtual bool Ended(Handle process) = 0;
  virtual void Close(Handle process) = 0;
};

// Program names by process id, looked up once per process. A process keeps
// its name after it ended, until another one gets its id.
class ProgramNames {
 public:
  static constexpr std::int64_t kRetryMs = 200;  // an id no process has is tried again after this
  static constexpr std::size_t kEndedMax = 4096;

  explicit ProgramNames(ProcessProbe& probe) : probe_(probe) {}
  ~ProgramNames();
  ProgramNames(const ProgramNames&) = delete;
  ProgramNames& operator=(const ProgramNames&) = delete;

  // The name, or "?" when the id stands for no process this program saw.
  const std::string& Name(std::uint32_t processId, std::int64_t nowMs);
  // A handle the capture opened as the line came, so that a process gone by
  // the time its lines are named is still known: taken over when the id has
  // no running process here, else closed again.
  void Adopt(std::uint32_t processId, ProcessProbe::Handle process);
  // Lets go of the processes that ended, so that their ids can be given
  // again. Call it only when no line read before they ended is still to be
  // named.
  void Sweep();
  // Lets go of every process (the road stops): no handle is held while
  // nothing is read.
  void Clear();
  std::size_t Held() const;

 private:
  struct Entry {
    std::string name;
    ProcessProbe::Handle process = 0;  // 0: ended or never found
    std::int64_t triedMs = 0;
    bool askNow = true;
  };
  void Forget();

  ProcessProbe& probe_;
  std::unordered_map<std::uint32_t, Entry> entries_;
  std::deque<std::uint32_t> ended_;  // oldest first, to bound what is kept
};

// A line's row: the process column with the sender's id (its thread is not
// known on this road), "PID=1234,TID=????"; the stamp's time; the program in
// brackets before the text, "(00012ms)   [prog.exe] text". The program's
// name and the text are bytes as the system gave them, each read by the
// 8-bit roads' rule.
LineRecord SystemWideRecord(std::uint32_t processId, std::string_view program, std::string_view text,
                            LineStamp& stamp);
// The road's own red row (lines lost), its process unknown.
LineRecord SystemWideNotice(std::string_view text, LineStamp& stamp);
// What the user is told where lines could not be kept.
std::string LostLinesText(std::uint64_t lost);

// How a start of the capture went: it reads; another monitor has the
// buffer; another monitor's objects may not be opened by this program (made
// with default security by an elevated program); or the system refused with
// an error of its own.
enum class CaptureBegun { kCapturing, kBusy, kDenied, kFailed };
constexpr char kSystemWideBusy[] = "Die systemweiten Debug-Ausgaben werden bereits von einem anderen Programm gelesen.";
constexpr char kSystemWideDenied[] =
    "Die systemweiten Debug-Ausgaben werden bereits von einem anderen Programm gelesen, "
    "das PLOXEN den Zugriff verweigert (etwa weil es als Administrator l\xE4uft).";
// The message for a start that did not come to reading; empty for one that did.
std::string CaptureRefusedText(CaptureBegun begun, unsigned long error);
// What the parameter page says of the road: which names it reads, or why
// its last start did not read; empty while it is off.
std::string SystemWideState(bool running, bool global, CaptureBegun lastStart);
std::string SystemWideState(bool running, bool global, bool busy);

// The wall clock's distance from the monotonic clock that times the
// capture's lines, in milliseconds, for their time of day. Each reading is
// rounded on both clocks; one within that rounding of the distance in use is
// not taken, so that lines in a row are never stamped back by it, while a
// clock that was set or has drifted is followed.
class WallClockOffset {
 public:
  static constexpr std::int64_t kRoundingMs = 1;
  // A new reading (wall minus monotonic); returns the distance in use.
  std::int64_t Follow(std::int64_t readingMs);

 private:
  bool known_ = false;
  std::int64_t offsetMs_ = 0;
};

// The order in which the capture waits for its buffers (the session's and
// the "Global\" one). A wait takes the first one ready; the buffer served
// last goes to the end, so that a flood into one does not starve the other.
class BufferTurns {
 public:
  explicit BufferTurns(std::size_t buffers) : count_(buffers ? buffers : 1) {}
  // The buffer waited for in this place.
  std::size_t At(std::size_t place) const { return (first_ + place) % count_; }
  // The wait gave the buffer in this place.
  void Served(std::size_t place) { first_ = (At(place) + 1) % count_; }

 private:
  std::size_t count_;
  std::size_t first_ = 0;
};

// A console line: "12:00:00.000  1234  prog.exe  text".
std::string ConsoleLine(const TimeOfDay& time, std::uint32_t processId, std::string_view program,
                        std::string_view text);

}  // namespace ploxen

// The single entry point of every line: gates, colours, indentation of the
// CSignal traces, prefix split, trimming, the row limit, and the row itself;
// and the hand-over from other threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_record.h"
#include "core/message_kind.h"
#include "core/row_store.h"

namespace ploxen {

constexpr std::size_t kMessageMax = 499;  // message column, after the prefix
constexpr int kIndentStep = 3;
// The list shows 499 characters of a message: at this indentation (166
// steps) its first character is still among them; more blanks could never be
// seen, yet every row would store them. The depth counts on beyond it, so
// constructors and destructors still balance.
constexpr int kIndentShownMax = 498;
constexpr std::string_view kSignalMarker = " der Klasse CSignal ";
constexpr std::string_view kPlaceholderPrefix = "PID=????,TID=????,   ";
constexpr std::string_view kPlaceholderProcess = "PID=????,TID=????";  // the column it gives
constexpr int kRowLimitQuestion = 104;  // string id of the row-limit question

// What the row limit does (ALLGEMEIN/GRENZE): ask whether to save, then clear
// the list; or drop the oldest rows without a word, about a tenth of the
// limit at a time. Any other value asks.
constexpr int kLimitAsks = 0;
constexpr int kLimitDropsOldest = 1;

// The switches that decide whether a line is shown, named after their profile keys.
struct IntakeSwitches {
  int konstruktor = 1;
  int destruktor = 1;
  int meldungen = 1;
  int startEnde = 1;
  int bTrace = 1;
  int bDll = 1;
  int bException = 0;
  int bThread = 1;
  int bProcess = 1;
  int ploxen = 1;
  int dbWin32 = 0;
  int systemWeit = 0;
  int maxCount = 50000;  // 0 = no limit
  int grenze = kLimitAsks;  // what happens at maxCount
};

// The rows a list of rowCount rows drops to take one more row under the
// limit of kind kLimitDropsOldest: a tenth of the limit (at least one row),
// and all that a lower limit or an opened file left beyond it.
std::size_t RowsDroppedAtLimit(std::size_t rowCount, std::size_t maxCount);

// True when the category is one of the nine and its switch is on.
bool CategoryShown(const IntakeSwitches& switches, int category);
// True when the road is open: remarks always, the others behind their switch.
bool SourceAccepted(const IntakeSwitches& switches, MessageSource source);

// Told of every row the intake appends, after the row is stored, on the
// intake's thread: the row's kind, the road it came by and its column
// strings, valid only for the call. It runs on every line, so it may only
// copy what it needs.
class RowObserver {
 public:
  virtual ~RowObserver() = default;
  virtual void RowAppended(MessageKind kind, MessageSource source, const std::string_view* strings,
                           std::size_t count) = 0;
};

// The intake's only contact with the person at the screen.
class UserDialogs {
 public:
  virtual ~UserDialogs() = default;
  // Yes/No question with the question icon; true for Yes.
  virtual bool AskYesNo(int stringId) = 0;
  // The Save command; true when it wrote a file, false when the user
  // cancelled its file dialog or the file could not be written.
  virtual bool Save() = 0;
};

class MessageIntake {
 public:
  MessageIntake(const IntakeSwitches& switches, RowStore& rows, UserDialogs& dialogs);
  MessageIntake(const MessageIntake&) = delete;
  MessageIntake& operator=(const MessageIntake&) = delete;

  // A text line: the prefix is split off into the process and time columns.
  // Never reports to the caller; a rejected line is dropped and the list
  // state is still refreshed.
  //
  // Calls are serialised by a lock held for the whole call. A call that comes
  // back in on the same thread while one is running (a nested message loop
  // under the row-limit question or the Save dialog) is held and taken in
  // arrival order when the running call has finished: it neither asks again
  // nor is lost.
  void AddMessage(MessageKind kind, const char* text, MessageSource source);
  // A road's own record: the same gates, cuts, row limit and row.
  void AddRecord(const LineRecord& record);

  // The hand-over from other threads. Lines join a queue that the intake's
  // own thread takes in order, before any line that comes later by another
  // road. wake runs on the queuing thread when a line lands in an empty
  // queue: the taker is told once per batch. Set it before any worker runs.
  static constexpr std::size_t kQueuedMax = 10000;
  void OnQueued(std::function<void()> wake) { wake_ = std::move(wake); }
  // A text line. The call returns at once while fewer than kQueuedMax lines
  // wait, so a debugged program is not held up by the hand-over; beyond
  // that it waits until the taker has caught up. False, the line dropped,
  // once the queue is closed.
  bool Queue(MessageKind kind, const char* text, MessageSource source);
  // Records without waiting, for a worker that must not stop (one that also
  // serves other senders), many under one lock, moved, not copied: from the
  // front of `records` as far as there is room; kFull when some are left,
  // for the caller to keep or count.
  enum class TryResult { kQueued, kFull, kClosed };
  TryResult TryQueueFront(std::deque<LineRecord>& records);
  // A whole batch, without waiting, for a worker that reads in rounds: taken
  // while fewer than kBatchQueuedMax lines wait, so the queue holds at most
  // one batch beyond it; else kFull and left to the caller. Batches may fill
  // the queue further than single lines: the taker takes the whole queue a
  // tick, so the queue's bound is the bound of lines a second. A taken batch
  // is replaced by an empty one taken before (or none), so that its memory,
  // already touched, serves the next round.
  static constexpr std::size_t kBatchQueuedMax = 4 * kQueuedMax;
  TryResult TryQueueBatch(std::unique_ptr<LineBatch>& batch);
  // On the intake's own thread: every queued line, unless a call is running
  // there (it takes them when it ends).
  void TakeQueued();
  // The taker is going: a waiting Queue call and every later one return false.
  void CloseQueue();
  bool QueuedWaiting() const { return queueWaiting_.load(std::memory_order_acquire); }
  // Runs `quiet` under the queue's lock when no line waits, and says so: a
  // line queued at the same moment comes either before it (and it does not
  // run) or after it (and its wake runs after `quiet` did).
  bool WhenNothingQueued(const std::function<void()>& quiet);

  // Rows read from a file do not come through here, so they are not told.
  // Each observer is told in the order they were added (the forwarding, the
  // log file); on the intake's thread only.
  void ObserveRows(RowObserver* observer) { observers_.push_back(observer); }
  void StopObserving(RowObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
  }

  // Deletes all rows and starts the indentation again.
  void ClearList();
  // After a file was opened into the list.
  void ResetIndentation();

  int IndentationDepth() const;
  // A call is running on the intake's thread (the row-limit question or the
  // Save dialog may be open): a source that can wait should not add now.
  bool Busy() const;
  std::size_t HeldLineCount() const;

 private:
  // A line held or queued: a record, or a text line (its text in
  // record.message) whose prefix is split when it is taken; or a batch of
  // records.
  struct Waiting {
    LineRecord record;
    bool textLine = false;
    std::unique_ptr<LineBatch> batch;
  };
  // The columns of one line, as views into it, before the message is cut;
  // `line` is where a destructor's marker is looked for: the whole text of a
  // text line, the message of a record.
  struct Columns {
    std::string_view process, time, message, line;
  };

  static Waiting TextLine(MessageKind kind, const char* text, MessageSource source);
  void Take(const Waiting& line);
  void TakeText(MessageKind kind, const char* text, MessageSource source);
  void TakeRecord(const LineRecord& record);
  void TakeColumns(MessageKind kind, MessageSource source, std::string_view process, std::string_view time,
                   std::string_view message);
  void TakeQueuedBatch();
  void TakeHeldLines();
  bool Shown(MessageKind kind, MessageSource source) const;
  void Append(MessageKind kind, const Columns& columns, MessageSource source);

  const IntakeSwitches& switches_;
  RowStore& rows_;
  UserDialogs& dialogs_;
  std::vector<RowObserver*> observers_;

  mutable std::recursive_mutex mutex_;
  bool running_ = false;
  std::deque<Waiting> held_;

  std::function<void()> wake_;
  std::mutex queueMutex_;
  std::condition_variable queueRoom_;
  std::deque<Waiting> queued_;
  std::size_t queuedLines_ = 0;  // in queued_, each line of a batch counted
  std::vector<std::unique_ptr<LineBatch>> spareBatches_;  // taken and emptied, for TryQueueBatch
  std::deque<Waiting> batch_;  // the queued lines being taken
  std::atomic<bool> queueWaiting_{false};
  bool queueClosed_ = false;
  bool takeQueuedWhenDone_ = false;  // a wake-up came while a call ran
  int depth_ = 0;
  std::string message_;  // work area of the message column, kept to save allocations
};

}  // namespace ploxen

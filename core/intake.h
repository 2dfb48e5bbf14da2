// The single entry point of every line: gates, colours, indentation of the
// CSignal traces, prefix split, trimming, the row limit, and the row itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

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
constexpr int kRowLimitQuestion = 104;  // string id of the row-limit question

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
};

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

  // Never reports to the caller; a rejected line is dropped and the list
  // state is still refreshed.
  //
  // Calls are serialised by a lock held for the whole call. A call that comes
  // back in on the same thread while one is running (a nested message loop
  // under the row-limit question or the Save dialog) is held and taken in
  // arrival order when the running call has finished: it neither asks again
  // nor is lost.
  void AddMessage(MessageKind kind, const char* text, MessageSource source);

  // From another thread: the line joins a queue that the intake's own thread
  // takes in order, before any line that comes later by another road. The
  // call returns at once while fewer than kQueuedMax lines wait, so a debugged
  // program is not held up by the hand-over; beyond that it waits until the
  // taker has caught up. wake runs (on the calling thread) when the queue was
  // empty: the taker is told once per batch. False, the line dropped, once
  // the queue is closed.
  static constexpr std::size_t kQueuedMax = 10000;
  bool Queue(MessageKind kind, const char* text, MessageSource source, const std::function<void()>& wake);
  // The same without waiting, for a worker that must not stop (one that
  // also serves other senders), and for many lines under one lock, their
  // texts moved, not copied: lines from the front of `lines` (a deque of
  // anything with kind, text and source) as far as there is room; kFull
  // when some are left, for the caller to keep or count. wake runs as for
  // Queue.
  enum class TryResult { kQueued, kFull, kClosed };
  template <typename Lines>
  TryResult TryQueueFront(Lines& lines, const std::function<void()>& wake);
  // On the intake's own thread: every queued line, unless a call is running
  // there (it takes them when it ends).
  void TakeQueued();
  // The taker is going: a waiting Queue call and every later one return false.
  void CloseQueue();
  bool QueuedWaiting() const { return queueWaiting_.load(std::memory_order_acquire); }

  // Rows read from a file do not come through here, so they are not told.
  void ObserveRows(RowObserver* observer) { observer_ = observer; }

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
  struct HeldLine {
    MessageKind kind;
    std::string text;
    MessageSource source;
  };

  void Take(MessageKind kind, const char* text, MessageSource source);
  void TakeQueuedBatch();
  void TakeHeldLines();
  void Append(MessageKind kind, std::string_view text, MessageSource source);

  const IntakeSwitches& switches_;
  RowStore& rows_;
  UserDialogs& dialogs_;
  RowObserver* observer_ = nullptr;

  mutable std::recursive_mutex mutex_;
  bool running_ = false;
  std::deque<HeldLine> held_;

  std::mutex queueMutex_;
  std::condition_variable queueRoom_;
  std::deque<HeldLine> queued_;
  std::deque<HeldLine> batch_;  // the queued lines being taken
  std::atomic<bool> queueWaiting_{false};
  bool queueClosed_ = false;
  bool takeQueuedWhenDone_ = false;  // a wake-up came while a call ran
  int depth_ = 0;
  std::string message_;  // work area of the message column, kept to save allocations
};

template <typename Lines>
MessageIntake::TryResult MessageIntake::TryQueueFront(Lines& lines, const std::function<void()>& wake) {
  bool woken = false;
  {
    std::lock_guard<std::mutex> queue(queueMutex_);
    if (queueClosed_) return TryResult::kClosed;
    woken = queued_.empty() && !lines.empty();
    while (!lines.empty() && queued_.size() < kQueuedMax) {
      queued_.push_back(HeldLine{lines.front().kind, std::move(lines.front().text), lines.front().source});
      lines.pop_front();
    }
    if (!queued_.empty()) queueWaiting_.store(true, std::memory_order_release);
  }
  if (woken && wake) wake();
  return lines.empty() ? TryResult::kQueued : TryResult::kFull;
}

}  // namespace ploxen

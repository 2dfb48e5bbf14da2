#include "core/intake.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "core/colours.h"
#include "core/find_byte.h"
#include "core/line_prefix.h"
#include "core/text.h"

namespace ploxen {

namespace {
// Set for the time of one call on the intake's thread; calls that come back
// in meanwhile are held.
class RunningFlag {
 public:
  explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunningFlag() { flag_ = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;

 private:
  bool& flag_;
};

// A road's column, as far as a text line would have gone: to its first NUL.
std::string_view UpToNul(std::string_view column) {
  return column.substr(0, FindByte(column, '\0'));
}
}  // namespace

std::size_t RowsDroppedAtLimit(std::size_t rowCount, std::size_t maxCount) {
  if (maxCount == 0 || rowCount < maxCount) return 0;
  const std::size_t block = std::max<std::size_t>(maxCount / 10, 1);
  return std::min(rowCount, rowCount - maxCount + block);
}

bool CategoryShown(const IntakeSwitches& s, int category) {
  switch (category) {
    case kCategoryConstructor: return s.konstruktor != 0;
    case kCategoryDestructor: return s.destruktor != 0;
    case kCategoryGeneral: return s.meldungen != 0;
    case kCategoryProgram: return s.startEnde != 0;
    case kCategoryTrace: return s.bTrace != 0;
    case kCategoryDll: return s.bDll != 0;
    case kCategoryException: return s.bException != 0;
    case kCategoryThread: return s.bThread != 0;
    case kCategoryProcess: return s.bProcess != 0;
    default: return false;
  }
}

bool SourceAccepted(const IntakeSwitches& s, MessageSource source) {
  switch (source) {
    case kSourceRemark:
    case kSourceFollowedFile: return true;  // the user chose the files
    case kSourceSystem:
    case kSourceForwardedRow: return s.ploxen != 0;
    case kSourceDbWin32: return s.dbWin32 != 0;
    case kSourceSystemWide: return s.systemWeit != 0;
    default: return false;
  }
}

MessageIntake::MessageIntake(const IntakeSwitches& switches, RowStore& rows, UserDialogs& dialogs)
    : switches_(switches), rows_(rows), dialogs_(dialogs) {
  message_.reserve(kMessageMax + 64);
}

void MessageIntake::AddMessage(MessageKind kind, const char* text, MessageSource source) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (running_) {
    if (text) held_.push_back(TextLine(kind, text, source));
    return;
  }
  const RunningFlag running(running_);
  TakeQueuedBatch();  // queued lines came first
  TakeText(kind, text, source);
  TakeHeldLines();
}

void MessageIntake::AddRecord(const LineRecord& record) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (running_) {
    held_.push_back(Waiting{record, false, nullptr});
    return;
  }
  const RunningFlag running(running_);
  TakeQueuedBatch();
  TakeRecord(record);
  TakeHeldLines();
}

MessageIntake::Waiting MessageIntake::TextLine(MessageKind kind, const char* text, MessageSource source) {
  Waiting line;
  line.record.kind = kind;
  line.record.source = source;
  line.record.message = text;
  line.textLine = true;
  return line;
}

// One batch: what is queued now. Lines queued meanwhile wake the taker
// again, so a worker that never stops cannot keep this thread here.
void MessageIntake::TakeQueuedBatch() {
  if (!queueWaiting_.load(std::memory_order_acquire)) return;  // most lines: no lock
  {
    std::lock_guard<std::mutex> queue(queueMutex_);
    batch_.swap(queued_);
    queuedLines_ = 0;
    queueWaiting_.store(false, std::memory_order_release);
  }
  queueRoom_.notify_all();
  for (const Waiting& line : batch_) Take(line);
  // A few emptied batches go back to the workers; more only while a
  // burst fills the queue, given back to the heap.
  constexpr std::size_t kSpareBatchesMax = 4;
  std::vector<std::unique_ptr<LineBatch>> spares;
  for (Waiting& line : batch_)
    if (line.batch && spares.size() < kSpareBatchesMax) {
      line.batch->Clear();
      spares.push_back(std::move(line.batch));
    }
  batch_.clear();
  if (!spares.empty()) {
    std::lock_guard<std::mutex> queue(queueMutex_);
    for (auto& spare : spares)
      if (spareBatches_.size() < kSpareBatchesMax) spareBatches_.push_back(std::move(spare));
  }
}

// Lines that came in while a call ran, and a batch whose wake-up came then.
void MessageIntake::TakeHeldLines() {
  for (;;) {
    while (!held_.empty()) {
      const Waiting line = std::move(held_.front());
      held_.pop_front();
      Take(line);
    }
    if (!takeQueuedWhenDone_) return;
    takeQueuedWhenDone_ = false;
    TakeQueuedBatch();
  }
}

bool MessageIntake::Queue(MessageKind kind, const char* text, MessageSource source) {
  if (!text) return true;
  Waiting line = TextLine(kind, text, source);
  bool wasEmpty = false;
  {
    std::unique_lock<std::mutex> queue(queueMutex_);
    queueRoom_.wait(queue, [this] { return queueClosed_ || queuedLines_ < kQueuedMax; });
    if (queueClosed_) return false;
    wasEmpty = queued_.empty();
    queued_.push_back(std::move(line));
    ++queuedLines_;
    queueWaiting_.store(true, std::memory_order_release);
  }
  if (wasEmpty && wake_) wake_();
  return true;
}

MessageIntake::TryResult MessageIntake::TryQueueFront(std::deque<LineRecord>& records) {
  bool woken = false;
  {
    std::lock_guard<std::mutex> queue(queueMutex_);
    if (queueClosed_) return TryResult::kClosed;
    woken = queued_.empty() && !records.empty();
    while (!records.empty() && queuedLines_ < kQueuedMax) {
      queued_.push_back(Waiting{std::move(records.front()), false, nullptr});
      records.pop_front();
      ++queuedLines_;
    }
    if (!queued_.empty()) queueWaiting_.store(true, std::memory_order_release);
  }
  if (woken && wake_) wake_();
  return records.empty() ? TryResult::kQueued : TryResult::kFull;
}

MessageIntake::TryResult MessageIntake::TryQueueBatch(std::unique_ptr<LineBatch>& batch) {
  if (!batch || batch->Empty()) return TryResult::kQueued;
  bool woken = false;
  {
    std::lock_guard<std::mutex> queue(queueMutex_);
    if (queueClosed_) return TryResult::kClosed;
    if (queuedLines_ >= kBatchQueuedMax) return TryResult::kFull;
    woken = queued_.empty();
    queuedLines_ += batch->Size();
    queued_.push_back(Waiting{LineRecord{}, false, std::move(batch)});
    if (!spareBatches_.empty()) {
      batch = std::move(spareBatches_.back());
      spareBatches_.pop_back();
    }
    queueWaiting_.store(true, std::memory_order_release);
  }
  if (woken && wake_) wake_();
  return TryResult::kQueued;
}

void MessageIntake::TakeQueued() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (running_) {
    takeQueuedWhenDone_ = true;
    return;
  }
  const RunningFlag running(running_);
  TakeQueuedBatch();
  TakeHeldLines();
}

bool MessageIntake::WhenNothingQueued(const std::function<void()>& quiet) {
  std::lock_guard<std::mutex> queue(queueMutex_);
  if (!queued_.empty()) return false;
  quiet();
  return true;
}

void MessageIntake::CloseQueue() {
  {
    std::lock_guard<std::mutex> queue(queueMutex_);
    queueClosed_ = true;
    queued_.clear();
    queuedLines_ = 0;
    queueWaiting_.store(false, std::memory_order_release);
  }
  queueRoom_.notify_all();
}

bool MessageIntake::Shown(MessageKind kind, MessageSource source) const {
  return CategoryShown(switches_, CategoryOf(kind)) && SourceAccepted(switches_, source);
}

void MessageIntake::Take(const Waiting& line) {
  if (line.batch) {
    const LineBatch& batch = *line.batch;
    for (std::size_t i = 0; i < batch.Size(); ++i)
      TakeColumns(batch.Kind(i), batch.Source(i), batch.Process(i), batch.Time(i), batch.Message(i));
  } else if (line.textLine) {
    TakeText(line.record.kind, line.record.message.c_str(), line.record.source);
  } else {
    TakeRecord(line.record);
  }
}

void MessageIntake::TakeText(MessageKind kind, const char* text, MessageSource source) {
  if (text && Shown(kind, source)) {
    const std::string_view line(text);
    const LinePrefix prefix = SplitPrefix(line);
    Append(kind, Columns{prefix.process, prefix.time, line.substr(prefix.messageStart), line}, source);
  }
  rows_.UpdateListState();
}

void MessageIntake::TakeRecord(const LineRecord& record) {
  TakeColumns(record.kind, record.source, record.process, record.time, record.message);
}

void MessageIntake::TakeColumns(MessageKind kind, MessageSource source, std::string_view process,
                                std::string_view time, std::string_view message) {
  if (Shown(kind, source)) {
    message = UpToNul(message);
    Append(kind,
           Columns{CutToCharacters(UpToNul(process), kPrefixPartMax), CutToCharacters(UpToNul(time), kPrefixPartMax),
                   message, message},
           source);
  }
  rows_.UpdateListState();
}

void MessageIntake::Append(MessageKind kind, const Columns& columns, MessageSource source) {
  const int category = CategoryOf(kind);
  const Colour colour = MessageColour(kind);

  if (category == kCategoryDestructor && columns.line.find(kSignalMarker) != std::string_view::npos)
    depth_ = std::max(0, depth_ - kIndentStep);
  const int indent = std::min(depth_, kIndentShownMax);

  std::string_view message =
      columns.message.size() <= kMessageMax ? columns.message : CutToCharacters(columns.message, kMessageMax);
  // Line ends go, but never the first character: a message of line breaks
  // alone still makes a row.
  while (message.size() > 1 && (message.back() == '\r' || message.back() == '\n'))
    message.remove_suffix(1);
  if (message.empty()) return;

  // A negative limit from a hand-edited profile would clear the list on
  // every line; it counts as no limit, like 0.
  // The rows go only once they are in a file or the user let them go: a
  // save that wrote nothing (a full disk, a cancelled dialog) asks again.
  // Dropping the oldest rows asks nothing and keeps the indentation: the
  // rows go on as they came.
  if (switches_.maxCount > 0 && rows_.RowCount() >= switches_.maxCount) {
    if (switches_.grenze == kLimitDropsOldest) {
      rows_.DropOldestRows(RowsDroppedAtLimit(static_cast<std::size_t>(rows_.RowCount()),
                                              static_cast<std::size_t>(switches_.maxCount)));
    } else {
      while (dialogs_.AskYesNo(kRowLimitQuestion) && !dialogs_.Save()) {
      }
      ClearList();
    }
  }

  message_.assign(static_cast<std::size_t>(indent), ' ');
  message_.append(message.data(), message.size());
  // Line feeds inside become blanks. Most messages have none: a search says
  // so faster than a look at every byte, and a line feed is never part of a
  // longer UTF-8 character.
  for (std::size_t at = static_cast<std::size_t>(indent); at < message_.size(); ++at) {
    const std::size_t feed = FindByte(std::string_view(message_).substr(at), '\n');
    if (feed == std::string_view::npos) break;
    at += feed;
    message_[at] = ' ';
  }

  const MessageItem::ColourList colours{kProcessColumnColours, kTimeColumnColours,
                                        ColourPair{colour, kMessageColumnBack}};
  const std::string_view strings[kColumnCount] = {columns.process, columns.time, message_};
  rows_.AppendRow(kind, colours, strings, kColumnCount);
  for (RowObserver* observer : observers_) observer->RowAppended(kind, source, strings, kColumnCount);

  // The marker is looked for in the whole message part, before the cut.
  if (category == kCategoryConstructor && columns.message.find(kSignalMarker) != std::string_view::npos &&
      depth_ <= std::numeric_limits<int>::max() - kIndentStep)
    depth_ += kIndentStep;
}

void MessageIntake::ClearList() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  rows_.DeleteAllRows();
  depth_ = 0;
  rows_.UpdateListState();
}

void MessageIntake::ResetIndentation() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  depth_ = 0;
}

int MessageIntake::IndentationDepth() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return depth_;
}

bool MessageIntake::Busy() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return running_;
}

std::size_t MessageIntake::HeldLineCount() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return held_.size();
}

}  // namespace ploxen

// The rows waiting to be forwarded, between the intake's thread (which only
// copies a row in) and the forwarding worker (which formats and sends it).
// Bounded by memory: while the target cannot be reached rows wait here, and
// a row that would pass the bound is counted as lost, never kept at the cost
// of the others. The rows keep their order, also those the worker had in hand
// when its connection broke or it was stopped.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

#include "core/message_kind.h"

namespace ploxen {

constexpr std::size_t kForwardQueueBytes = 16 * 1024 * 1024;
// What a row costs beside its text: the record, the queue's slot, the heap.
constexpr std::size_t kForwardRowOverhead = 64;

struct ForwardRow {
  MessageKind kind = 0;
  std::int64_t utcMs = 0;  // when the row was taken
  std::string text;        // the row's non-empty strings, joined by a blank
};

class ForwardQueue {
 public:
  explicit ForwardQueue(std::size_t maxBytes = kForwardQueueBytes) : maxBytes_(maxBytes) {}
  ForwardQueue(const ForwardQueue&) = delete;
  ForwardQueue& operator=(const ForwardQueue&) = delete;

  // The intake's thread. False, and the row counted as lost, when the rows
  // held (waiting and in the worker's hand) would pass the bound.
  bool Push(MessageKind kind, const std::string_view* strings, std::size_t count, std::int64_t utcMs);

  // The worker: moves rows from the front to the end of batch, up to
  // maxBytes of text but at least one. They count against the bound until
  // Release, so rows in hand cannot make room for more.
  void Take(std::deque<ForwardRow>& batch, std::size_t maxBytes);
  // A row taken is done with (sent): its room is free again.
  void Release(const ForwardRow& row);
  // Rows taken and not sent go back to the front, in their order.
  void PutBack(std::deque<ForwardRow>& rows);
  // Every waiting row is given up and counted as lost.
  void DropAll();

  // The worker waits here for rows, or until a stop is asked for.
  void WaitForRows();
  // A pause that only a stop ends early; false when stopping.
  bool Pause(std::int64_t ms);
  void RequestStop();
  void ClearStop();
  bool Stopping() const { return stop_.load(std::memory_order_acquire); }

  std::uint64_t Lost() const { return lost_.load(std::memory_order_relaxed); }
  std::size_t HeldBytes() const;
  std::size_t Waiting() const;

  static std::size_t Cost(const ForwardRow& row) { return row.text.size() + kForwardRowOverhead; }

 private:
  const std::size_t maxBytes_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<ForwardRow> rows_;
  std::size_t heldBytes_ = 0;
  bool workerWaiting_ = false;  // only then does a new row wake it
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> lost_{0};
};

// The pause before the next attempt to reach the target: 0.5 s after the
// first failure, doubling up to a minute, and back to the start once an
// attempt succeeded.
class ReconnectPause {
 public:
  static constexpr std::int64_t kFirstMs = 500;
  static constexpr std::int64_t kLongestMs = 60000;

  std::int64_t Failed() {
    const std::int64_t pause = next_;
    next_ = next_ * 2 > kLongestMs ? kLongestMs : next_ * 2;
    return pause;
  }
  void Succeeded() { next_ = kFirstMs; }

 private:
  std::int64_t next_ = kFirstMs;
};

}  // namespace ploxen

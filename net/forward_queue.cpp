#include "net/forward_queue.h"

#include <chrono>
#include <utility>

namespace ploxen {

bool ForwardQueue::Push(MessageKind kind, const std::string_view* strings, std::size_t count, std::int64_t utcMs) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < count; ++i) length += strings[i].size() + 1;
  ForwardRow row{kind, utcMs, std::string()};
  row.text.reserve(length);
  for (std::size_t i = 0; i < count; ++i) {
    if (strings[i].empty()) continue;
    if (!row.text.empty()) row.text += ' ';
    row.text.append(strings[i].data(), strings[i].size());
  }
  const std::size_t cost = Cost(row);
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (heldBytes_ + cost > maxBytes_) {
      lost_.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    heldBytes_ += cost;
    rows_.push_back(std::move(row));
    wake = workerWaiting_;
    workerWaiting_ = false;
  }
  if (wake) wake_.notify_one();
  return true;
}

void ForwardQueue::Take(std::deque<ForwardRow>& batch, std::size_t maxBytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::size_t taken = 0;
  while (!rows_.empty() && (taken == 0 || taken + rows_.front().text.size() <= maxBytes)) {
    taken += rows_.front().text.size();
    batch.push_back(std::move(rows_.front()));
    rows_.pop_front();
  }
}

void ForwardQueue::Release(const ForwardRow& row) {
  std::lock_guard<std::mutex> lock(mutex_);
  heldBytes_ -= Cost(row);
}

void ForwardQueue::PutBack(std::deque<ForwardRow>& rows) {
  std::lock_guard<std::mutex> lock(mutex_);
  while (!rows.empty()) {
    rows_.push_front(std::move(rows.back()));
    rows.pop_back();
  }
}

void ForwardQueue::DropAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const ForwardRow& row : rows_) heldBytes_ -= Cost(row);
  lost_.fetch_add(rows_.size(), std::memory_order_relaxed);
  rows_.clear();
}

void ForwardQueue::WaitForRows() {
  std::unique_lock<std::mutex> lock(mutex_);
  workerWaiting_ = true;
  wake_.wait(lock, [this] { return !rows_.empty() || Stopping(); });
  workerWaiting_ = false;
}

bool ForwardQueue::Pause(std::int64_t ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Stopping(); });
  return !Stopping();
}

void ForwardQueue::RequestStop() {
  {
    // Set under the lock, so a worker between its look and its wait cannot miss it.
    std::lock_guard<std::mutex> lock(mutex_);
    stop_.store(true, std::memory_order_release);
  }
  wake_.notify_all();
}

void ForwardQueue::ClearStop() { stop_.store(false, std::memory_order_release); }

std::size_t ForwardQueue::HeldBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return heldBytes_;
}

std::size_t ForwardQueue::Waiting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rows_.size();
}

}  // namespace ploxen

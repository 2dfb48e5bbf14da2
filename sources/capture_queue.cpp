#include "sources/capture_queue.h"

#include <algorithm>

#include "sources/system_wide_lines.h"

namespace ploxen {

CaptureQueue::CaptureQueue(std::size_t capacityBytes)
    : capacity_(std::max((capacityBytes + 15) & ~std::size_t{15}, 2 * Footprint(kSectionTextMax))),
      ring_(new unsigned char[capacity_]) {}

bool CaptureQueue::Push(std::uint32_t processId, std::int64_t arrivalMs, std::string_view text) {
  const std::uint64_t tail = tail_.load(std::memory_order_acquire);
  std::uint64_t head = head_.load(std::memory_order_relaxed);
  const std::size_t need = Footprint(text.size());
  const std::size_t at = static_cast<std::size_t>(head % capacity_);
  // A record never wraps: it starts again at the beginning, and the end
  // of the ring is marked unused.
  const std::size_t skip = at + need > capacity_ ? capacity_ - at : 0;
  if (text.size() >= kWrap || head - tail + skip + need > capacity_) {
    lost_.fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  if (skip) {
    const Record wrap{0, kWrap, 0};
    std::memcpy(ring_.get() + at, &wrap, sizeof wrap);
    head += skip;
  }
  const std::size_t start = static_cast<std::size_t>(head % capacity_);
  const Record record{processId, static_cast<std::uint32_t>(text.size()), arrivalMs};
  std::memcpy(ring_.get() + start, &record, sizeof record);
  if (!text.empty()) std::memcpy(ring_.get() + start + kRecordHeader, text.data(), text.size());
  head_.store(head + need, std::memory_order_release);
  return true;
}

}  // namespace ploxen

// The hand-over between the system-wide capture thread and whoever takes its
// lines: a byte ring of fixed size with one writer and one reader. The writer
// never waits: a line that does not fit is counted as lost, never dropped
// silently. Every sender on the machine waits while the capture thread is
// busy, so it must not be held up by a slow reader.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace ploxen {

class CaptureQueue {
 public:
  // What one line costs of the capacity besides its text.
  static constexpr std::size_t kRecordHeader = 16;
  // Sixteen megabytes hold about 300,000 typical lines: a row-limit question
  // left open for half a minute in a flood of the fastest sender.
  static constexpr std::size_t kDefaultCapacity = 16u * 1024u * 1024u;

  // The memory is taken here, once: the writer never allocates. A capacity
  // too small for one longest line is raised to that.
  explicit CaptureQueue(std::size_t capacityBytes = kDefaultCapacity);
  CaptureQueue(const CaptureQueue&) = delete;
  CaptureQueue& operator=(const CaptureQueue&) = delete;

  // Writer: the line goes in whole or is counted as lost; false then.
  bool Push(std::uint32_t processId, std::int64_t arrivalMs, std::string_view text);

  // Reader: hands every line there now, or the first maxLines of them, to
  // take(processId, arrivalMs, text) in order; the text is valid only during
  // the call. Returns the number taken.
  template <typename Take>
  std::size_t Drain(Take&& take, std::size_t maxLines = SIZE_MAX);

  bool Empty() const { return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_relaxed); }
  // Lines that did not fit, since the queue was made.
  std::uint64_t Lost() const { return lost_.load(std::memory_order_relaxed); }
  std::size_t Capacity() const { return capacity_; }

 private:
  struct Record {
    std::uint32_t processId;
    std::uint32_t length;  // kWrap: the rest up to the end of the ring is unused
    std::int64_t arrivalMs;
  };
  static_assert(sizeof(Record) == kRecordHeader, "the header is the record");
  static constexpr std::uint32_t kWrap = 0xFFFFFFFFu;
  // Whole multiples of the header, so that the end of the ring always has
  // room for a wrap mark.
  static std::size_t Footprint(std::size_t length) { return kRecordHeader + ((length + 15) & ~std::size_t{15}); }

  std::size_t capacity_;
  std::unique_ptr<unsigned char[]> ring_;
  // Bytes written and taken since the start; the difference is what waits.
  std::atomic<std::uint64_t> head_{0};
  std::atomic<std::uint64_t> tail_{0};
  std::atomic<std::uint64_t> lost_{0};
};

template <typename Take>
std::size_t CaptureQueue::Drain(Take&& take, std::size_t maxLines) {
  const std::uint64_t head = head_.load(std::memory_order_acquire);
  std::uint64_t tail = tail_.load(std::memory_order_relaxed);
  std::size_t taken = 0;
  while (tail != head && taken < maxLines) {
    const std::size_t at = static_cast<std::size_t>(tail % capacity_);
    Record record;
    std::memcpy(&record, ring_.get() + at, sizeof record);
    if (record.length == kWrap) {
      tail += capacity_ - at;
    } else {
      take(record.processId, record.arrivalMs,
           std::string_view(reinterpret_cast<const char*>(ring_.get() + at + kRecordHeader), record.length));
      tail += Footprint(record.length);
      ++taken;
    }
    // Room for the writer as soon as each line is out.
    tail_.store(tail, std::memory_order_release);
  }
  return taken;
}

}  // namespace ploxen

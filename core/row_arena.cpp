#include "core/row_arena.h"

#include <functional>
#include <limits>
#include <new>

namespace ploxen {

void* RowArena::AllocateElsewhere(std::size_t size) {
  if (size > std::numeric_limits<std::size_t>::max() - kAlignment) throw std::bad_alloc();
  const std::size_t rounded = (size + kAlignment - 1) & ~(kAlignment - 1);
  if (rounded > kOwnAllocation) {
    // A record of its own leaves the open chunk open for the rows after it.
    own_.push_back(Memory(new unsigned char[rounded]));
    last_ = nullptr;
    return own_.back().get();
  }
  if (!kept_.empty()) {
    chunks_.push_back(std::move(kept_.back()));
    kept_.pop_back();
  } else {
    chunks_.push_back(Memory(new unsigned char[kChunkSize]));
  }
  unsigned char* const memory = chunks_.back().get();
  last_ = memory;
  next_ = memory + rounded;
  left_ = kChunkSize - rounded;
  return memory;
}

void RowArena::GiveBack(void* memory) {
  if (!memory) return;
  if (memory == last_) {
    left_ += static_cast<std::size_t>(next_ - last_);
    next_ = last_;
    last_ = nullptr;
  } else if (!own_.empty() && own_.back().get() == memory) {
    own_.pop_back();
  }
}

RowArena& RowArena::operator=(RowArena&& other) noexcept {
  if (this != &other) {
    chunks_ = std::exchange(other.chunks_, {});
    own_ = std::exchange(other.own_, {});
    kept_ = std::exchange(other.kept_, {});
    next_ = std::exchange(other.next_, nullptr);
    left_ = std::exchange(other.left_, 0);
    last_ = std::exchange(other.last_, nullptr);
  }
  return *this;
}

void RowArena::Keep(Memory chunk) {
  if (kept_.size() < kKeptOnRelease / kChunkSize) kept_.push_back(std::move(chunk));
}

void RowArena::DropChunksBefore(const void* memory) {
  const auto* const at = static_cast<const unsigned char*>(memory);
  // Pointers into different chunks are ordered by std::less only.
  const std::less<const unsigned char*> before;
  const auto holds = [&](const Memory& chunk) {
    return !before(at, chunk.get()) && before(at, chunk.get() + kChunkSize);
  };
  // The open chunk stays, whatever was dropped of it.
  while (chunks_.size() > 1 && !holds(chunks_.front())) {
    Keep(std::move(chunks_.front()));
    chunks_.pop_front();
  }
}

void RowArena::Release() {
  while (!chunks_.empty()) {
    Keep(std::move(chunks_.back()));
    chunks_.pop_back();
  }
  std::deque<Memory>().swap(chunks_);
  std::deque<Memory>().swap(own_);
  next_ = nullptr;
  left_ = 0;
  last_ = nullptr;
}

}  // namespace ploxen

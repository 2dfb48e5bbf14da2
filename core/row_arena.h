// Memory for the rows of one list. Rows are freed all together (the list is
// cleared or goes) or oldest first (the row limit drops them), so they are
// laid one after another in large chunks: one heap allocation per chunk
// instead of one per row, and no heap header or rounding per row.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace ploxen {

class RowArena {
 public:
  static constexpr std::size_t kChunkSize = 64 * 1024;
  // A record larger than this gets an allocation of its own, so that a long
  // row never leaves most of a chunk unused.
  static constexpr std::size_t kOwnAllocation = kChunkSize / 4;
  // A list cleared at its row limit fills again at once. Chunks of up to this
  // many bytes are kept for it when it is cleared, so that refilling takes
  // memory already in use: fresh pages from the system cost far more than
  // the rows written into them, most of all under virtualisation. What a
  // larger list held beyond it is given back.
  static constexpr std::size_t kKeptOnRelease = 32 * 1024 * 1024;
  // Enough for a row record; the heap's own alignment is at least this.
  static constexpr std::size_t kAlignment = 8;
  // A file of many rows is far larger than the cache, so each new row is
  // written where the processor would first read the memory in: asked for
  // this far ahead of the rows, it is there when they come (a million rows
  // read in three quarters of the time). Lines taken one by one have other
  // work between them and rows in the cache: there it only costs.
  static constexpr std::size_t kPrefetchAhead = 2048;

  RowArena() = default;
  // A moved-from arena holds nothing and hands out nothing of the other's.
  RowArena(RowArena&& other) noexcept { *this = std::move(other); }
  RowArena& operator=(RowArena&& other) noexcept;

  // size bytes, aligned for any row record. Throws std::bad_alloc.
  void* Allocate(std::size_t size) {
    // What is left is always a multiple of the alignment, so a size that
    // fits still fits once rounded up.
    if (size <= left_) {
      const std::size_t rounded = (size + kAlignment - 1) & ~(kAlignment - 1);
      last_ = next_;
      next_ += rounded;
      left_ -= rounded;
      return last_;
    }
    return AllocateElsewhere(size);
  }
  // The same, for rows made one after another in a long run (a file read):
  // the memory ahead of them is asked for before they come.
  void* AllocateInRun(std::size_t size) {
    void* const memory = Allocate(size);
#if defined(__SSE2__) || defined(_M_X64)
    if (left_ > kPrefetchAhead + 64) {
      _mm_prefetch(reinterpret_cast<const char*>(next_) + kPrefetchAhead, _MM_HINT_T0);
      _mm_prefetch(reinterpret_cast<const char*>(next_) + kPrefetchAhead + 64, _MM_HINT_T0);
    }
#endif
    return memory;
  }
  // Gives back the allocation made last, when nothing was allocated after it.
  void GiveBack(void* memory);
  // Frees every allocation at once; chunks up to kKeptOnRelease stay for the
  // rows to come.
  void Release();
  // The oldest allocation still held is no longer needed: allocations are
  // dropped in the order they were made, each once, and never one given
  // back. A chunk is free once an allocation of a later chunk is dropped;
  // it is kept for the rows to come (up to kKeptOnRelease), so a list that
  // drops as many rows as it takes needs no new memory.
  void Drop(const void* memory) {
    if (!DropOwn(memory)) DropChunksBefore(memory);
  }
  // The two halves of Drop, for a caller that drops many at once: each
  // long record when its turn comes (true when memory was one), and the
  // chunks before the one holding the last of the rest.
  bool DropOwn(const void* memory) {
    if (own_.empty() || own_.front().get() != memory) return false;
    own_.pop_front();
    return true;
  }
  const void* OldestOwn() const { return own_.empty() ? nullptr : own_.front().get(); }
  void DropChunksBefore(const void* memory);

  std::size_t AllocationCount() const { return chunks_.size() + own_.size(); }
  std::size_t KeptChunks() const { return kept_.size(); }

 private:
  using Memory = std::unique_ptr<unsigned char[]>;
  void* AllocateElsewhere(std::size_t size);

  void Keep(Memory chunk);

  std::deque<Memory> chunks_;  // kChunkSize each, oldest first; the last one is open
  std::deque<Memory> own_;     // one long record each, oldest first
  std::deque<Memory> kept_;    // chunks no row uses, for the next rows
  unsigned char* next_ = nullptr;
  std::size_t left_ = 0;
  unsigned char* last_ = nullptr;  // the last allocation from the open chunk
};

}  // namespace ploxen

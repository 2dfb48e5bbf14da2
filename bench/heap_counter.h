// Counts live heap bytes of this process, as the allocator hands them out
// (usable size plus its per-chunk header), so that memory per row can be
// compared with a baseline in the same run.
#pragma once

#include <cstddef>

namespace ploxen::bench {

struct HeapUse {
  std::size_t bytes;
  std::size_t blocks;
};

// Counting is off by default so that timed runs pay nothing for it.
void CountHeap(bool on);
HeapUse LiveHeap();

}  // namespace ploxen::bench

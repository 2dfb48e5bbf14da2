#include "bench/heap_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__GLIBC__)
#include <malloc.h>
#define PLOXEN_USABLE_SIZE(p) malloc_usable_size(p)
#else
#define PLOXEN_USABLE_SIZE(p) 0
#endif

namespace {
std::atomic<std::size_t> g_bytes{0};
std::atomic<std::size_t> g_blocks{0};
std::atomic<bool> g_counting{false};

std::size_t Charge(void* p) { return PLOXEN_USABLE_SIZE(p) + sizeof(std::size_t); }

void* Allocate(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (!p) throw std::bad_alloc();
  if (g_counting.load(std::memory_order_relaxed)) {
    g_bytes += Charge(p);
    ++g_blocks;
  }
  return p;
}

void Release(void* p) noexcept {
  if (!p) return;
  // Blocks taken before counting began are released uncounted too; the
  // measured phases free nothing that they did not allocate.
  if (g_counting.load(std::memory_order_relaxed)) {
    g_bytes -= Charge(p);
    --g_blocks;
  }
  std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace ploxen::bench {
void CountHeap(bool on) { g_counting = on; }
HeapUse LiveHeap() { return HeapUse{g_bytes.load(), g_blocks.load()}; }
}  // namespace ploxen::bench

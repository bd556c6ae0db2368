// The program's large blocks come from one region backed by transparent
// huge pages (see large_block_arena.h for why). Linked into the program and
// the compile benchmark only: the unit tests, the sanitizer builds and the
// Windows build keep the standard allocator.
//
// The region is reserved on the first large block, 32 MiB of address space of
// which only the pages touched become memory. Where the system offers no huge
// pages the region simply works with small ones, and where it cannot even be
// reserved every block comes from malloc, as without this file.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

#include "platform/large_block_arena.h"

namespace {

// Smaller blocks are many, short-lived and well reused by malloc.
constexpr std::size_t kLargeThreshold = std::size_t{16} << 10;
constexpr std::size_t kRegionBytes = std::size_t{32} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// All three are constant-initialised: a block may be asked for before any
// constructor of the program has run.
constinit std::mutex lock;
constinit sb::LargeBlockArena arena;
constinit bool tried = false;

// Reserves the region, aligned to a huge page so that all of it can use them.
void reserve_region() {
  tried = true;
  void* const p = ::mmap(nullptr, kRegionBytes + kHugePage, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) return;
  const std::uintptr_t aligned =
      (reinterpret_cast<std::uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
  char* const start = reinterpret_cast<char*>(aligned);
#ifdef MADV_HUGEPAGE
  ::madvise(start, kRegionBytes, MADV_HUGEPAGE);  // a refusal leaves small pages
#endif
  arena.assign(start, kRegionBytes);
}

void* from_heap(std::size_t n) {
  for (;;) {
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

}  // namespace

void* operator new(std::size_t n) {
  if (n >= kLargeThreshold) {
    const std::lock_guard<std::mutex> locked(lock);
    if (!tried) reserve_region();
    if (void* p = arena.take(n)) return p;
  }
  return from_heap(n);
}

void operator delete(void* p) noexcept {
  if (arena.contains(p)) {
    const std::lock_guard<std::mutex> locked(lock);
    arena.release(p);
    return;
  }
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
  operator delete(p);
}

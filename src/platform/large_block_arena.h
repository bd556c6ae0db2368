// `LargeBlockArena`: the program's large blocks, carved from one region.
//
// A compile touches a few megabytes once: the two sources, the cells, the
// track plan's runs, the pieces of the compiled files. On a virtual machine
// the first touch of each 4 KiB page can cost some 10 µs, more than reading
// the page's bytes; backed by 2 MiB pages (see large_allocations_posix.cpp),
// the same memory costs a handful of first touches, and a block freed and
// asked for again reuses pages already touched.
//
// Each block is preceded by a header that holds the size of its span. Free
// spans are kept in address order, joined with free neighbours, and handed
// out first fit; the region's untouched rest is used only when no free span
// fits, and a free span that ends where the rest begins goes back to it. A
// block that does not fit is refused, and the caller takes it from the
// general heap instead. The arena never allocates for itself: its list lives
// in the free spans.
//
// Not thread-safe; the caller locks. `contains` may be asked without the lock
// once the region is set.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace sb {

class LargeBlockArena {
 public:
  // Every block starts at a multiple of this, more than operator new owes.
  static constexpr std::size_t kAlignment = 64;

  constexpr LargeBlockArena() = default;
  LargeBlockArena(const LargeBlockArena&) = delete;
  LargeBlockArena& operator=(const LargeBlockArena&) = delete;

  // Gives the arena its region, once: `start` aligned to kAlignment. Until
  // then every block is refused.
  void assign(char* start, std::size_t size);

  // A block of n bytes, or nullptr when no room is left for it.
  void* take(std::size_t n);

  // Whether p lies in the region: a block of the arena.
  bool contains(const void* p) const {
    const char* const start = start_.load(std::memory_order_acquire);
    if (start == nullptr) return false;
    const auto a = reinterpret_cast<std::uintptr_t>(p);
    const auto b = reinterpret_cast<std::uintptr_t>(start);
    return a >= b && a - b < size_;
  }

  // Frees a block that take handed out.
  void release(void* p);

 private:
  // The header of a span, at its start: its size, and for a free span the
  // next free span.
  struct Header {
    std::size_t size;
    Header* next;
  };
  static constexpr std::size_t kHeaderBytes = kAlignment;  // keeps blocks aligned

  char* start() const { return start_.load(std::memory_order_relaxed); }

  std::atomic<char*> start_ = nullptr;
  std::size_t size_ = 0;
  std::size_t top_ = 0;          // where the untouched rest begins
  Header* free_list_ = nullptr;  // free spans below top_, in address order
};

}  // namespace sb

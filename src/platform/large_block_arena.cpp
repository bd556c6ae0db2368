#include "platform/large_block_arena.h"

#include <new>

namespace sb {

namespace {

// A span left over after a block is cut from a free one must hold at least a
// header and the smallest block.
constexpr std::size_t kSmallestRest = 2 * LargeBlockArena::kAlignment;

}  // namespace

void LargeBlockArena::assign(char* start, std::size_t size) {
  size_ = size;
  top_ = 0;
  free_list_ = nullptr;
  start_.store(start, std::memory_order_release);
}

void* LargeBlockArena::take(std::size_t n) {
  if (start() == nullptr || n > size_) return nullptr;
  // The span: the header and n bytes rounded up; n <= size_, so no
  // overflow.
  const std::size_t span = kHeaderBytes + (n + kAlignment - 1) / kAlignment * kAlignment;

  Header** link = &free_list_;
  for (Header* free_span = free_list_; free_span != nullptr; free_span = free_span->next) {
    if (free_span->size >= span) {
      if (free_span->size - span >= kSmallestRest) {
        // The block from the span's start; the rest stays free in its place.
        auto* rest = new (reinterpret_cast<char*>(free_span) + span)
            Header{free_span->size - span, free_span->next};
        *link = rest;
        free_span->size = span;
      } else {
        *link = free_span->next;
      }
      return reinterpret_cast<char*>(free_span) + kHeaderBytes;
    }
    link = &free_span->next;
  }

  if (span > size_ - top_) return nullptr;
  auto* header = new (start() + top_) Header{span, nullptr};
  top_ += span;
  return reinterpret_cast<char*>(header) + kHeaderBytes;
}

void LargeBlockArena::release(void* p) {
  auto* header = reinterpret_cast<Header*>(static_cast<char*>(p) - kHeaderBytes);
  const auto end = [](const Header* t) { return reinterpret_cast<const char*>(t) + t->size; };

  // `link` comes to point at the first free span after the block, and
  // `link_before` at the one before it (which is `before`).
  Header** link = &free_list_;
  Header** link_before = nullptr;
  Header* before = nullptr;
  while (*link != nullptr && *link < header) {
    link_before = link;
    before = *link;
    link = &before->next;
  }
  Header* after = *link;

  // In the list, joined to the free span after it, then to the one before.
  if (after != nullptr && end(header) == reinterpret_cast<const char*>(after)) {
    header->size += after->size;
    after = after->next;
  }
  header->next = after;
  *link = header;
  if (before != nullptr && end(before) == reinterpret_cast<const char*>(header)) {
    before->size += header->size;
    before->next = header->next;
    header = before;
    link = link_before;
  }

  // The last free span, when it reaches the untouched rest, goes back to it.
  if (header->next == nullptr && end(header) == start() + top_) {
    top_ = static_cast<std::size_t>(reinterpret_cast<char*>(header) - start());
    *link = nullptr;
  }
}

}  // namespace sb

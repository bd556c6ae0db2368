// `ArenaBlocchiGrandi`: the program's large blocks, carved from one region.
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
// Not thread-safe; the caller locks. `contiene` may be asked without the lock
// once the region is set.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace sb {

class ArenaBlocchiGrandi {
 public:
  // Every block starts at a multiple of this, more than operator new owes.
  static constexpr std::size_t kAllineamento = 64;

  constexpr ArenaBlocchiGrandi() = default;
  ArenaBlocchiGrandi(const ArenaBlocchiGrandi&) = delete;
  ArenaBlocchiGrandi& operator=(const ArenaBlocchiGrandi&) = delete;

  // Gives the arena its region, once: `inizio` aligned to kAllineamento. Until
  // then every block is refused.
  void assegna(char* inizio, std::size_t dimensione);

  bool ha_regione() const { return inizio_.load(std::memory_order_acquire) != nullptr; }

  // A block of n bytes, or nullptr when no room is left for it.
  void* prendi(std::size_t n);

  // Whether p lies in the region: a block of the arena.
  bool contiene(const void* p) const {
    const char* const inizio = inizio_.load(std::memory_order_acquire);
    if (inizio == nullptr) return false;
    const auto a = reinterpret_cast<std::uintptr_t>(p);
    const auto b = reinterpret_cast<std::uintptr_t>(inizio);
    return a >= b && a - b < dimensione_;
  }

  // Frees a block that prendi handed out.
  void libera(void* p);

  // The bytes of the region in use so far, up to the untouched rest: blocks,
  // their headers, and free spans between them.
  std::size_t usati() const { return cima_; }

 private:
  // The header of a span, at its start: its size, and for a free span the
  // next free span.
  struct Testa {
    std::size_t dimensione;
    Testa* prossimo;
  };
  static constexpr std::size_t kTesta = kAllineamento;  // keeps blocks aligned

  char* inizio() const { return inizio_.load(std::memory_order_relaxed); }

  std::atomic<char*> inizio_ = nullptr;
  std::size_t dimensione_ = 0;
  std::size_t cima_ = 0;     // where the untouched rest begins
  Testa* liberi_ = nullptr;  // free spans below cima_, in address order
};

}  // namespace sb

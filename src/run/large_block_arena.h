// `ArenaBlocchiGrandi`: hands out the program's large blocks from one region
// by bumping a pointer.
//
// A compile touches a few megabytes once: the two sources, the cells, the
// track plan's runs, the pieces of the compiled files. On a virtual machine
// the first touch of each 4 KiB page can cost some 10 µs, more than reading
// the page's bytes; backed by 2 MiB pages (see large_allocations_posix.cpp),
// the same memory costs a handful of first touches. The arena does not reuse
// holes: a block freed last is taken back at once, and the whole region starts
// over when every block is free. A block that does not fit is refused, and
// the caller takes it from the general heap instead.
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
  void assegna(char* inizio, std::size_t dimensione) {
    dimensione_ = dimensione;
    usati_ = 0;
    inizio_.store(inizio, std::memory_order_release);
  }

  bool ha_regione() const { return inizio_.load(std::memory_order_acquire) != nullptr; }

  // A block of n bytes, or nullptr when the rest of the region is too small.
  void* prendi(std::size_t n) {
    char* const inizio = inizio_.load(std::memory_order_relaxed);
    if (inizio == nullptr || n > dimensione_ - usati_) return nullptr;
    const std::size_t arrotondato =
        (n + kAllineamento - 1) / kAllineamento * kAllineamento;  // n <= dimensione_: no overflow
    if (arrotondato > dimensione_ - usati_) return nullptr;
    char* const blocco = inizio + usati_;
    usati_ += arrotondato;
    ++vivi_;
    ultimo_ = blocco;
    return blocco;
  }

  // Whether p lies in the region: a block of the arena.
  bool contiene(const void* p) const {
    const char* const inizio = inizio_.load(std::memory_order_acquire);
    if (inizio == nullptr) return false;
    const auto a = reinterpret_cast<std::uintptr_t>(p);
    const auto b = reinterpret_cast<std::uintptr_t>(inizio);
    return a >= b && a - b < dimensione_;
  }

  // Frees a block of the arena (contiene(p) must hold).
  void libera(void* p) {
    --vivi_;
    if (vivi_ == 0) {
      usati_ = 0;
      ultimo_ = nullptr;
    } else if (p == ultimo_) {
      usati_ = static_cast<std::size_t>(ultimo_ - inizio_.load(std::memory_order_relaxed));
      ultimo_ = nullptr;  // the block before it is not known
    }
  }

  // Bytes handed out and not taken back (freed blocks in the middle count).
  std::size_t usati() const { return usati_; }

 private:
  std::atomic<char*> inizio_ = nullptr;
  std::size_t dimensione_ = 0;
  std::size_t usati_ = 0;
  std::size_t vivi_ = 0;    // blocks handed out and not freed
  char* ultimo_ = nullptr;  // the block handed out last, while it is the top one
};

}  // namespace sb

#include "run/large_block_arena.h"

#include <new>

namespace sb {

namespace {

// A span left over after a block is cut from a free one must hold at least a
// header and the smallest block.
constexpr std::size_t kMinimoResto = 2 * ArenaBlocchiGrandi::kAllineamento;

}  // namespace

void ArenaBlocchiGrandi::assegna(char* inizio, std::size_t dimensione) {
  dimensione_ = dimensione;
  cima_ = 0;
  liberi_ = nullptr;
  inizio_.store(inizio, std::memory_order_release);
}

void* ArenaBlocchiGrandi::prendi(std::size_t n) {
  if (inizio() == nullptr || n > dimensione_) return nullptr;
  // The span: the header and n bytes rounded up; n <= dimensione_, so no
  // overflow.
  const std::size_t campata = kTesta + (n + kAllineamento - 1) / kAllineamento * kAllineamento;

  Testa** link = &liberi_;
  for (Testa* libero = liberi_; libero != nullptr; libero = libero->prossimo) {
    if (libero->dimensione >= campata) {
      if (libero->dimensione - campata >= kMinimoResto) {
        // The block from the span's start; the rest stays free in its place.
        auto* resto = new (reinterpret_cast<char*>(libero) + campata)
            Testa{libero->dimensione - campata, libero->prossimo};
        *link = resto;
        libero->dimensione = campata;
      } else {
        *link = libero->prossimo;
      }
      return reinterpret_cast<char*>(libero) + kTesta;
    }
    link = &libero->prossimo;
  }

  if (campata > dimensione_ - cima_) return nullptr;
  auto* testa = new (inizio() + cima_) Testa{campata, nullptr};
  cima_ += campata;
  return reinterpret_cast<char*>(testa) + kTesta;
}

void ArenaBlocchiGrandi::libera(void* p) {
  auto* testa = reinterpret_cast<Testa*>(static_cast<char*>(p) - kTesta);
  const auto fine = [](const Testa* t) { return reinterpret_cast<const char*>(t) + t->dimensione; };

  // `link` comes to point at the first free span after the block, and
  // `link_prima` at the one before it (which is `prima`).
  Testa** link = &liberi_;
  Testa** link_prima = nullptr;
  Testa* prima = nullptr;
  while (*link != nullptr && *link < testa) {
    link_prima = link;
    prima = *link;
    link = &prima->prossimo;
  }
  Testa* dopo = *link;

  // In the list, joined to the free span after it, then to the one before.
  if (dopo != nullptr && fine(testa) == reinterpret_cast<const char*>(dopo)) {
    testa->dimensione += dopo->dimensione;
    dopo = dopo->prossimo;
  }
  testa->prossimo = dopo;
  *link = testa;
  if (prima != nullptr && fine(prima) == reinterpret_cast<const char*>(testa)) {
    prima->dimensione += testa->dimensione;
    prima->prossimo = testa->prossimo;
    testa = prima;
    link = link_prima;
  }

  // The last free span, when it reaches the untouched rest, goes back to it.
  if (testa->prossimo == nullptr && fine(testa) == inizio() + cima_) {
    cima_ = static_cast<std::size_t>(reinterpret_cast<char*>(testa) - inizio());
    *link = nullptr;
  }
}

}  // namespace sb

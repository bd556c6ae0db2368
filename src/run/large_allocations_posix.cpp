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

#include "run/large_block_arena.h"

namespace {

// Smaller blocks are many, short-lived and well reused by malloc.
constexpr std::size_t kSogliaGrande = std::size_t{16} << 10;
constexpr std::size_t kRegione = std::size_t{32} << 20;
constexpr std::size_t kPaginaGrande = std::size_t{2} << 20;

// All three are constant-initialised: a block may be asked for before any
// constructor of the program has run.
constinit std::mutex guardia;
constinit sb::ArenaBlocchiGrandi arena;
constinit bool tentata = false;

// Reserves the region, aligned to a huge page so that all of it can use them.
void riserva() {
  tentata = true;
  void* const p = ::mmap(nullptr, kRegione + kPaginaGrande, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) return;
  const std::uintptr_t allineato =
      (reinterpret_cast<std::uintptr_t>(p) + kPaginaGrande - 1) & ~(kPaginaGrande - 1);
  char* const inizio = reinterpret_cast<char*>(allineato);
#ifdef MADV_HUGEPAGE
  ::madvise(inizio, kRegione, MADV_HUGEPAGE);  // a refusal leaves small pages
#endif
  arena.assegna(inizio, kRegione);
}

void* dal_heap(std::size_t n) {
  for (;;) {
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    const std::new_handler gestore = std::get_new_handler();
    if (gestore == nullptr) throw std::bad_alloc();
    gestore();
  }
}

}  // namespace

void* operator new(std::size_t n) {
  if (n >= kSogliaGrande) {
    const std::lock_guard<std::mutex> chiuso(guardia);
    if (!tentata) riserva();
    if (void* p = arena.prendi(n)) return p;
  }
  return dal_heap(n);
}

void operator delete(void* p) noexcept {
  if (arena.contiene(p)) {
    const std::lock_guard<std::mutex> chiuso(guardia);
    arena.libera(p);
    return;
  }
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
  operator delete(p);
}

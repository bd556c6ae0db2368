#include "platform/large_block_arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace sb {
namespace {

constexpr std::size_t kA = LargeBlockArena::kAlignment;  // also the header's size

// An arena over a region of its own.
class ArenaBlocchiGrandiTest : public ::testing::Test {
 protected:
  void dai_regione(std::size_t n) {
    memoria_ = std::make_unique<char[]>(n + kA);
    regione_ = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(memoria_.get()) + kA - 1) /
                                       kA * kA);
    dimensione_ = n;
    arena.assegna(regione_, n);
  }
  std::size_t scostamento(const void* p) const {
    return static_cast<std::size_t>(static_cast<const char*>(p) - regione_);
  }

  LargeBlockArena arena;
  std::unique_ptr<char[]> memoria_;
  char* regione_ = nullptr;
  std::size_t dimensione_ = 0;
};

TEST(LargeBlockArena, WithoutARegionRefusesEveryBlock) {
  LargeBlockArena arena;
  EXPECT_FALSE(arena.has_region());
  EXPECT_EQ(arena.prendi(1), nullptr);
  int x = 0;
  EXPECT_FALSE(arena.contains(&x));
}

TEST_F(ArenaBlocchiGrandiTest, RefusesWhatDoesNotFitWithoutOverflow) {
  dai_regione(4096);
  EXPECT_EQ(arena.prendi(4096), nullptr) << "no room for the header";
  void* tutto = arena.prendi(4096 - kA);
  EXPECT_EQ(scostamento(tutto), kA);
  EXPECT_EQ(arena.prendi(1), nullptr);
  for (const std::size_t n :
       {std::numeric_limits<std::size_t>::max(), std::numeric_limits<std::size_t>::max() - kA}) {
    EXPECT_EQ(arena.prendi(n), nullptr) << n;
  }
  EXPECT_FALSE(arena.contains(regione_ + 4096)) << "one past the end";
  EXPECT_TRUE(arena.contains(tutto));
  arena.libera(tutto);
  EXPECT_EQ(arena.usati(), 0u);
}

// Freed room is handed out again: a hole, two holes joined, and the last
// blocks going back to the untouched rest.
TEST_F(ArenaBlocchiGrandiTest, FreedRoomIsReusedAndJoined) {
  dai_regione(16 * kA);
  void* a = arena.prendi(kA);  // each block takes two units: header and payload
  void* b = arena.prendi(kA);
  void* c = arena.prendi(kA);
  void* d = arena.prendi(kA);
  EXPECT_EQ(arena.usati(), 8 * kA);

  arena.libera(b);
  EXPECT_EQ(arena.prendi(kA), b) << "the hole again";
  arena.libera(c);
  arena.libera(b);
  EXPECT_EQ(arena.prendi(3 * kA), b) << "b and c joined";
  arena.libera(b);

  void* e = arena.prendi(kA / 2);
  EXPECT_EQ(e, b) << "first fit, the rest of the hole stays free";
  EXPECT_EQ(arena.prendi(kA), static_cast<char*>(b) + 2 * kA);

  arena.libera(d);  // the last block: back to the rest
  EXPECT_EQ(arena.usati(), 6 * kA);
  arena.libera(static_cast<char*>(b) + 2 * kA);
  arena.libera(e);  // b and c free again, now reaching the rest
  EXPECT_EQ(arena.usati(), 2 * kA);
  arena.libera(a);
  EXPECT_EQ(arena.usati(), 0u);
  EXPECT_EQ(arena.prendi(15 * kA), regione_ + kA) << "the whole region again";
}

// Random blocks taken and freed: every block is aligned, inside the region
// and apart from every other, and keeps its bytes; once all are free the
// whole region is one span again.
TEST_F(ArenaBlocchiGrandiTest, RandomBlocksNeverOverlapAndKeepTheirBytes) {
  dai_regione(64 * 1024);
  std::mt19937 caso(7);
  struct Vivo {
    char* p;
    std::size_t n;
    char segno;
  };
  std::vector<Vivo> vivi;
  for (int giro = 0; giro < 20000; ++giro) {
    if (!vivi.empty() && caso() % 2 == 0) {
      const std::size_t i = caso() % vivi.size();
      const Vivo v = vivi[i];
      for (std::size_t k = 0; k < v.n; ++k) ASSERT_EQ(v.p[k], v.segno) << giro;
      arena.libera(v.p);
      vivi.erase(vivi.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    const std::size_t n = 1 + caso() % 3000;
    auto* p = static_cast<char*>(arena.prendi(n));
    if (p == nullptr) continue;  // full for now
    ASSERT_EQ(scostamento(p) % kA, 0u);
    ASSERT_LE(scostamento(p) + n, dimensione_);
    for (const Vivo& v : vivi) ASSERT_TRUE(p >= v.p + v.n || p + n <= v.p) << giro;
    const char segno = static_cast<char>(caso());
    std::memset(p, segno, n);
    vivi.push_back({p, n, segno});
  }
  for (const Vivo& v : vivi) arena.libera(v.p);
  EXPECT_EQ(arena.usati(), 0u);
  EXPECT_NE(arena.prendi(dimensione_ - kA), nullptr);
}

}  // namespace
}  // namespace sb

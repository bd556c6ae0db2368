#include "run/large_block_arena.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

namespace sb {
namespace {

constexpr std::size_t kRegione = 4096;

class ArenaBlocchiGrandiTest : public ::testing::Test {
 protected:
  ArenaBlocchiGrandiTest() { arena.assegna(regione.data(), kRegione); }

  std::size_t scostamento(const void* p) const {
    return static_cast<std::size_t>(static_cast<const char*>(p) - regione.data());
  }

  alignas(ArenaBlocchiGrandi::kAllineamento) std::array<char, kRegione + 64> regione{};
  ArenaBlocchiGrandi arena;
};

TEST(ArenaBlocchiGrandi, WithoutARegionRefusesEveryBlock) {
  ArenaBlocchiGrandi arena;
  EXPECT_FALSE(arena.ha_regione());
  EXPECT_EQ(arena.prendi(1), nullptr);
  int x = 0;
  EXPECT_FALSE(arena.contiene(&x));
}

TEST_F(ArenaBlocchiGrandiTest, BlocksAreAlignedDisjointAndInsideTheRegion) {
  std::vector<std::pair<void*, std::size_t>> blocchi;
  for (const std::size_t n : {1u, 64u, 65u, 100u, 1000u}) {
    void* p = arena.prendi(n);
    ASSERT_NE(p, nullptr) << n;
    EXPECT_EQ(scostamento(p) % ArenaBlocchiGrandi::kAllineamento, 0u) << n;
    EXPECT_TRUE(arena.contiene(p));
    EXPECT_LE(scostamento(p) + n, kRegione);
    for (const auto& [q, m] : blocchi) {
      EXPECT_TRUE(scostamento(p) >= scostamento(q) + m || scostamento(p) + n <= scostamento(q))
          << n << " overlaps " << m;
    }
    blocchi.emplace_back(p, n);
  }
  EXPECT_EQ(arena.usati(), 64u + 64u + 128u + 128u + 1024u);
  EXPECT_FALSE(arena.contiene(regione.data() + kRegione)) << "one past the end";
  int fuori = 0;
  EXPECT_FALSE(arena.contiene(&fuori));
}

TEST_F(ArenaBlocchiGrandiTest, RefusesWhatDoesNotFitWithoutOverflow) {
  ASSERT_NE(arena.prendi(kRegione - 64), nullptr);
  EXPECT_EQ(arena.prendi(65), nullptr) << "64 bytes are left";
  EXPECT_NE(arena.prendi(64), nullptr);
  EXPECT_EQ(arena.prendi(1), nullptr);
  EXPECT_EQ(arena.prendi(std::numeric_limits<std::size_t>::max()), nullptr);
  EXPECT_EQ(arena.prendi(std::numeric_limits<std::size_t>::max() - 10), nullptr);
}

TEST_F(ArenaBlocchiGrandiTest, TakesBackTheLastBlockAndStartsOverWhenAllAreFree) {
  void* a = arena.prendi(1000);
  void* b = arena.prendi(1000);
  void* c = arena.prendi(1000);
  ASSERT_NE(c, nullptr);

  arena.libera(b);  // a hole in the middle stays used
  EXPECT_EQ(arena.usati(), 3u * 1024u);
  arena.libera(c);  // the last block: its room is free again
  EXPECT_EQ(arena.usati(), 2u * 1024u);
  EXPECT_EQ(arena.prendi(2000), c) << "the freed room is handed out again";

  arena.libera(c);
  arena.libera(a);  // every block is free
  EXPECT_EQ(arena.usati(), 0u);
  EXPECT_EQ(arena.prendi(kRegione), regione.data()) << "the whole region again";
}

}  // namespace
}  // namespace sb

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
class LargeBlockArenaTest : public ::testing::Test {
 protected:
  void give_region(std::size_t n) {
    memory_ = std::make_unique<char[]>(n + kA);
    region_ = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(memory_.get()) + kA - 1) /
                                      kA * kA);
    size_ = n;
    arena.assign(region_, n);
  }
  std::size_t offset(const void* p) const {
    return static_cast<std::size_t>(static_cast<const char*>(p) - region_);
  }
  // The bytes of the region in use up to its untouched rest, seen from
  // outside: the largest block the arena still gives comes from the rest
  // (when no free span below is larger), ends at the end of the region and
  // starts one header after where the rest begins. Given back at once, that
  // block returns to the rest and leaves the arena as it was.
  std::size_t in_use() {
    for (std::size_t n = size_ - kA; n >= kA; n -= kA) {
      void* p = arena.take(n);
      if (p == nullptr) continue;
      const std::size_t rest = offset(p) - kA;
      EXPECT_EQ(offset(p) + n, size_) << "the largest block does not come from the rest";
      arena.release(p);
      return rest;
    }
    return size_;
  }

  LargeBlockArena arena;
  std::unique_ptr<char[]> memory_;
  char* region_ = nullptr;
  std::size_t size_ = 0;
};

TEST(LargeBlockArena, WithoutARegionRefusesEveryBlock) {
  LargeBlockArena arena;
  for (const std::size_t n : {std::size_t{1}, kA, std::size_t{1} << 20})
    EXPECT_EQ(arena.take(n), nullptr) << n;
  int x = 0;
  EXPECT_FALSE(arena.contains(&x));
  EXPECT_FALSE(arena.contains(nullptr));
}

TEST_F(LargeBlockArenaTest, RefusesWhatDoesNotFitWithoutOverflow) {
  give_region(4096);
  EXPECT_EQ(arena.take(4096), nullptr) << "no room for the header";
  void* whole = arena.take(4096 - kA);
  EXPECT_EQ(offset(whole), kA);
  EXPECT_EQ(arena.take(1), nullptr);
  for (const std::size_t n :
       {std::numeric_limits<std::size_t>::max(), std::numeric_limits<std::size_t>::max() - kA}) {
    EXPECT_EQ(arena.take(n), nullptr) << n;
  }
  EXPECT_FALSE(arena.contains(region_ + 4096)) << "one past the end";
  EXPECT_TRUE(arena.contains(whole));
  arena.release(whole);
  EXPECT_EQ(in_use(), 0u);
}

// Freed room is handed out again: a hole, two holes joined, and the last
// blocks going back to the untouched rest.
TEST_F(LargeBlockArenaTest, FreedRoomIsReusedAndJoined) {
  give_region(16 * kA);
  void* a = arena.take(kA);  // each block takes two units: header and payload
  void* b = arena.take(kA);
  void* c = arena.take(kA);
  void* d = arena.take(kA);
  EXPECT_EQ(in_use(), 8 * kA);

  arena.release(b);
  EXPECT_EQ(arena.take(kA), b) << "the hole again";
  arena.release(c);
  arena.release(b);
  EXPECT_EQ(arena.take(3 * kA), b) << "b and c joined";
  arena.release(b);

  void* e = arena.take(kA / 2);
  EXPECT_EQ(e, b) << "first fit, the rest of the hole stays free";
  EXPECT_EQ(arena.take(kA), static_cast<char*>(b) + 2 * kA);

  arena.release(d);  // the last block: back to the rest
  EXPECT_EQ(in_use(), 6 * kA);
  arena.release(static_cast<char*>(b) + 2 * kA);
  arena.release(e);  // b and c free again, now reaching the rest
  EXPECT_EQ(in_use(), 2 * kA);
  arena.release(a);
  EXPECT_EQ(in_use(), 0u);
  EXPECT_EQ(arena.take(15 * kA), region_ + kA) << "the whole region again";
}

// Random blocks taken and freed: every block is aligned, inside the region
// and apart from every other, and keeps its bytes; once all are free the
// whole region is one span again.
TEST_F(LargeBlockArenaTest, RandomBlocksNeverOverlapAndKeepTheirBytes) {
  give_region(64 * 1024);
  std::mt19937 rng(7);
  struct Live {
    char* p;
    std::size_t n;
    char fill;
  };
  std::vector<Live> live;
  for (int trial = 0; trial < 20000; ++trial) {
    if (!live.empty() && rng() % 2 == 0) {
      const std::size_t i = rng() % live.size();
      const Live v = live[i];
      for (std::size_t k = 0; k < v.n; ++k) ASSERT_EQ(v.p[k], v.fill) << trial;
      arena.release(v.p);
      live.erase(live.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    const std::size_t n = 1 + rng() % 3000;
    auto* p = static_cast<char*>(arena.take(n));
    if (p == nullptr) continue;  // full for now
    ASSERT_EQ(offset(p) % kA, 0u);
    ASSERT_LE(offset(p) + n, size_);
    for (const Live& v : live) ASSERT_TRUE(p >= v.p + v.n || p + n <= v.p) << trial;
    const char fill = static_cast<char>(rng());
    std::memset(p, fill, n);
    live.push_back({p, n, fill});
  }
  for (const Live& v : live) arena.release(v.p);
  EXPECT_EQ(in_use(), 0u);
  EXPECT_NE(arena.take(size_ - kA), nullptr);
}

}  // namespace
}  // namespace sb

// The track plan keeps runs of points and computes the coordinates when they
// are read. Checked against a plain reference that stores every point and
// applies the track plan rule one metre at a time.
#include "compiler/track_plan.h"

#include <gtest/gtest.h>

#include <bit>
#include <stdexcept>
#include <vector>

#include "support/track_steps.h"

namespace sb {
namespace {

using testing::all_points;
using testing::curve_step;
using testing::point_at;
using testing::straight_step;

// Every point stored, each step computed from the two stored before it.
struct Reference {
  std::vector<TrackValue> x, y;

  explicit Reference(Long last)
      : x(static_cast<std::size_t>(last) + 1), y(static_cast<std::size_t>(last) + 1) {}
  void point(Long m, TrackValueType type, double a, double b) {
    x.at(static_cast<std::size_t>(m)) = {type, a};
    y.at(static_cast<std::size_t>(m)) = {type, b};
  }
  void step(Long m, bool in_curve, double k) {
    const auto i = static_cast<std::size_t>(m);
    const double dx = x.at(i - 1).value - x.at(i - 2).value;
    const double dy = y.at(i - 1).value - y.at(i - 2).value;
    if (in_curve) {
      const double kdy = k * dy;
      const double kdx = k * dx;
      point(m, TrackValueType::kDouble, x[i - 1].value + (dx + kdy), y[i - 1].value + (dy - kdx));
    } else {
      point(m, TrackValueType::kDouble, x[i - 1].value + dx, y[i - 1].value + dy);
    }
  }
};

// A plan with a run of every kind: given integers, straight and curved steps,
// a gap of empty points, a given Double with steps after it, and empty points
// at the end. The same facts go into the reference.
struct VariedPlan {
  TrackPlan t;
  Reference r{40};

  VariedPlan() {
    t.allocate(40);
    t.set_integer(0, 0, 0);
    r.point(0, TrackValueType::kInteger, 0, 0);
    t.set_integer(1, 0, 1);
    r.point(1, TrackValueType::kInteger, 0, 1);
    t.add_straight(2, 10);
    for (Long m = 2; m <= 10; ++m) r.step(m, false, 0);
    t.add_curve(11, 20, 0.003);
    for (Long m = 11; m <= 20; ++m) r.step(m, true, 0.003);
    t.add_curve(21, 22, -0.001);
    for (Long m = 21; m <= 22; ++m) r.step(m, true, -0.001);
    t.set_double(25, 1.5, -2.5);  // 23 and 24 stay empty
    r.point(25, TrackValueType::kDouble, 1.5, -2.5);
    t.add_straight(26, 30);
    for (Long m = 26; m <= 30; ++m) r.step(m, false, 0);
  }
};

bool same_bits(const TrackValue& a, const TrackValue& b) {
  return a.type == b.type &&
         std::bit_cast<std::uint64_t>(a.value) == std::bit_cast<std::uint64_t>(b.value);
}

TEST(TrackPlanRuns, EveryPointMatchesTheRuleBitForBit) {
  const VariedPlan p;
  const auto points = all_points(p.t);
  const std::vector<TrackValue>& x = points.x;
  const std::vector<TrackValue>& y = points.y;
  ASSERT_EQ(x.size(), 41u);
  ASSERT_EQ(y.size(), 41u);
  for (std::size_t m = 0; m <= 40; ++m) {
    EXPECT_TRUE(same_bits(x[m], p.r.x[m])) << m;
    EXPECT_TRUE(same_bits(y[m], p.r.y[m])) << m;
  }
  EXPECT_EQ(x[23].type, TrackValueType::kEmpty);
  EXPECT_EQ(x[26].type, TrackValueType::kDouble);
  EXPECT_EQ(y[40].type, TrackValueType::kEmpty);
}

TEST(TrackPlanRuns, PointsReadInAnyOrderGiveTheSameValues) {
  const VariedPlan p;
  std::vector<Long> order;
  for (Long m = 40; m >= 0; --m) order.push_back(m);  // backwards: each read starts again
  for (Long m : {7, 7, 30, 2, 25, 24, 0, 40, 11}) order.push_back(m);
  for (const Long m : order) {
    const auto i = static_cast<std::size_t>(m);
    const auto point = point_at(p.t, m);
    EXPECT_TRUE(same_bits(point.x, p.r.x[i])) << m;
    EXPECT_TRUE(same_bits(point.y, p.r.y[i])) << m;
  }
}

// A cursor reads the points in stretches, each stretch going on from the
// point read last; a stretch that ends behind it, or past the last metre,
// reads nothing more than what is left.
TEST(TrackPlanRuns, ACursorReadsTheStretchesInOrder) {
  const VariedPlan p;
  TrackPlan::Cursor cursor(p.t);
  EXPECT_EQ(cursor.metre(), -1);
  std::vector<TrackValue> x, y;
  const struct {
    Long to;
    Long metre_after;
  } stretches[] = {{0, 0},   {7, 7},   {7, 7},   {3, 7},  {22, 22},
                   {23, 23}, {26, 26}, {45, 40}, {50, 40}};
  for (const auto& s : stretches) {
    cursor.read_to(s.to, [&](const TrackValue& a, const TrackValue& b) {
      x.push_back(a);
      y.push_back(b);
    });
    EXPECT_EQ(cursor.metre(), s.metre_after) << s.to;
    EXPECT_EQ(x.size(), static_cast<std::size_t>(s.metre_after) + 1) << s.to;
  }
  ASSERT_EQ(x.size(), 41u);
  for (std::size_t m = 0; m <= 40; ++m) {
    EXPECT_TRUE(same_bits(x[m], p.r.x[m])) << m;
    EXPECT_TRUE(same_bits(y[m], p.r.y[m])) << m;
  }
}

TEST(TrackPlanRuns, StepsGivenOneByOneEqualOneRun) {
  TrackPlan one, all;
  for (TrackPlan* t : {&one, &all}) {
    t->allocate(1000);
    t->set_integer(0, 0, 0);
    t->set_integer(1, 0, 1);
  }
  for (Long m = 2; m <= 500; ++m) curve_step(one, m, 0.002);
  for (Long m = 501; m <= 998; ++m) straight_step(one, m);
  all.add_curve(2, 500, 0.002);
  all.add_straight(501, 998);
  const auto a = all_points(one), b = all_points(all);
  ASSERT_EQ(a.x.size(), 1001u);
  ASSERT_EQ(b.x.size(), 1001u);
  for (std::size_t m = 0; m <= 1000; ++m) {
    ASSERT_TRUE(same_bits(a.x[m], b.x[m])) << m;
    ASSERT_TRUE(same_bits(a.y[m], b.y[m])) << m;
  }
}

// A point read while it was still empty must not stay empty once given.
TEST(TrackPlanRuns, AReadDoesNotHideLaterPoints) {
  TrackPlan t;
  t.allocate(20);
  t.set_integer(0, 0, 0);
  t.set_integer(1, 0, 1);
  EXPECT_EQ(point_at(t, 15).x.type, TrackValueType::kEmpty);
  t.add_straight(2, 15);
  EXPECT_EQ(point_at(t, 15).y.type, TrackValueType::kDouble);
  EXPECT_EQ(point_at(t, 15).y.value, 15.0);
  t.add_straight(16, 16);
  EXPECT_EQ(point_at(t, 16).y.value, 16.0);
}

TEST(TrackPlanRuns, CountsPointsByTypeWithoutComputingThem) {
  const VariedPlan p;
  EXPECT_EQ(p.t.count(TrackValueType::kInteger), 2);
  EXPECT_EQ(p.t.count(TrackValueType::kDouble), 9 + 10 + 2 + 1 + 5);
  EXPECT_EQ(p.t.count(TrackValueType::kEmpty), 41 - 2 - 27);
  EXPECT_EQ(TrackPlan{}.count(TrackValueType::kEmpty), 0) << "no plan, no points";
}

// Points go in ascending order, once each, within the plan; a refused point
// leaves the plan as it was.
TEST(TrackPlanRuns, RefusesPointsOutOfOrderOrOutOfRange) {
  const struct {
    const char* name;
    void (*add)(TrackPlan&);
  } cases[] = {
      {"given again", [](TrackPlan& t) { t.set_double(30, 0, 0); }},
      {"before the last", [](TrackPlan& t) { t.set_integer(3, 0, 0); }},
      {"run over the last", [](TrackPlan& t) { t.add_straight(28, 35); }},
      {"past the end", [](TrackPlan& t) { t.add_straight(31, 41); }},
      {"empty run", [](TrackPlan& t) { t.add_curve(33, 32, 0.001); }},
      {"negative", [](TrackPlan& t) { t.set_integer(-1, 0, 0); }},
  };
  for (const auto& c : cases) {
    VariedPlan p;
    EXPECT_THROW(c.add(p.t), std::logic_error) << c.name;
    const auto points = all_points(p.t);
    ASSERT_EQ(points.x.size(), 41u) << c.name;
    for (std::size_t m = 0; m <= 40; ++m) {
      EXPECT_TRUE(same_bits(points.x[m], p.r.x[m])) << c.name;
      EXPECT_TRUE(same_bits(points.y[m], p.r.y[m])) << c.name;
    }
  }
  TrackPlan t;
  t.allocate(5);
  EXPECT_THROW(straight_step(t, 1), std::logic_error) << "a step needs two points before it";
  EXPECT_THROW(TrackPlan{}.set_integer(0, 0, 0), std::logic_error) << "no plan allocated";
}

// Reading stops at the last metre: a read to a metre past it gives the
// points up to the last, one to a metre before 0 gives none.
TEST(TrackPlanRuns, ReadsStopWithinThePlan) {
  TrackPlan t;
  t.allocate(5);
  t.set_integer(0, 0, 0);
  t.set_integer(1, 0, 1);
  t.add_straight(2, 5);
  const auto count_to = [&](Long to) {
    int n = 0;
    t.for_each_point_to(to, [&](const TrackValue&, const TrackValue&) { ++n; });
    return n;
  };
  EXPECT_EQ(count_to(6), 6);
  EXPECT_EQ(count_to(1000000), 6);
  EXPECT_EQ(count_to(-1), 0);
  EXPECT_EQ(count_to(0), 1);
  EXPECT_EQ(point_at(t, 6).y.value, 5.0) << "the last point is the last one read";
  int n = 0;
  TrackPlan{}.for_each_point([&](const TrackValue&, const TrackValue&) { ++n; });
  EXPECT_EQ(n, 0) << "no plan, no points";
}

}  // namespace
}  // namespace sb

// The track plan keeps runs of points and computes the coordinates when they
// are read. Checked against a plain reference that stores every point and
// applies the track plan rule one metre at a time.
#include "compiler/track_plan.h"

#include <gtest/gtest.h>

#include <bit>
#include <stdexcept>
#include <vector>

namespace sb {
namespace {

// Every point stored, each step computed from the two stored before it.
struct Riferimento {
  std::vector<TrackValue> x, y;

  explicit Riferimento(Long ultimo)
      : x(static_cast<std::size_t>(ultimo) + 1), y(static_cast<std::size_t>(ultimo) + 1) {}
  void punto(Long m, TrackValueType tipo, double a, double b) {
    x.at(static_cast<std::size_t>(m)) = {tipo, a};
    y.at(static_cast<std::size_t>(m)) = {tipo, b};
  }
  void passo(Long m, bool curva, double k) {
    const auto i = static_cast<std::size_t>(m);
    const double dx = x.at(i - 1).value - x.at(i - 2).value;
    const double dy = y.at(i - 1).value - y.at(i - 2).value;
    if (curva) {
      const double kdy = k * dy;
      const double kdx = k * dx;
      punto(m, TrackValueType::kDouble, x[i - 1].value + (dx + kdy), y[i - 1].value + (dy - kdx));
    } else {
      punto(m, TrackValueType::kDouble, x[i - 1].value + dx, y[i - 1].value + dy);
    }
  }
};

// A plan with a run of every kind: given integers, straight and curved steps,
// a gap of empty points, a given Double with steps after it, and empty points
// at the end. The same facts go into the reference.
struct PianoVario {
  TrackPlan t;
  Riferimento r{40};

  PianoVario() {
    t.allocate(40);
    t.set_integer(0, 0, 0);
    r.punto(0, TrackValueType::kInteger, 0, 0);
    t.set_integer(1, 0, 1);
    r.punto(1, TrackValueType::kInteger, 0, 1);
    t.add_straight(2, 10);
    for (Long m = 2; m <= 10; ++m) r.passo(m, false, 0);
    t.add_curve(11, 20, 0.003);
    for (Long m = 11; m <= 20; ++m) r.passo(m, true, 0.003);
    t.add_curve(21, 22, -0.001);
    for (Long m = 21; m <= 22; ++m) r.passo(m, true, -0.001);
    t.set_double(25, 1.5, -2.5);  // 23 and 24 stay empty
    r.punto(25, TrackValueType::kDouble, 1.5, -2.5);
    t.add_straight(26, 30);
    for (Long m = 26; m <= 30; ++m) r.passo(m, false, 0);
  }
};

bool stessi_bit(const TrackValue& a, const TrackValue& b) {
  return a.type == b.type &&
         std::bit_cast<std::uint64_t>(a.value) == std::bit_cast<std::uint64_t>(b.value);
}

TEST(TrackPlanRuns, EveryPointMatchesTheRuleBitForBit) {
  const PianoVario p;
  const std::vector<TrackValue> x = p.t.coordinate(0), y = p.t.coordinate(1);
  ASSERT_EQ(x.size(), 41u);
  ASSERT_EQ(y.size(), 41u);
  for (std::size_t m = 0; m <= 40; ++m) {
    EXPECT_TRUE(stessi_bit(x[m], p.r.x[m])) << m;
    EXPECT_TRUE(stessi_bit(y[m], p.r.y[m])) << m;
  }
  EXPECT_EQ(x[23].type, TrackValueType::kEmpty);
  EXPECT_EQ(x[26].type, TrackValueType::kDouble);
  EXPECT_EQ(y[40].type, TrackValueType::kEmpty);
}

TEST(TrackPlanRuns, PointsReadInAnyOrderGiveTheSameValues) {
  const PianoVario p;
  std::vector<Long> ordine;
  for (Long m = 40; m >= 0; --m) ordine.push_back(m);  // backwards: each read starts again
  for (Long m : {7, 7, 30, 2, 25, 24, 0, 40, 11}) ordine.push_back(m);
  for (const Long m : ordine) {
    const auto i = static_cast<std::size_t>(m);
    EXPECT_TRUE(stessi_bit(p.t.x(m), p.r.x[i])) << m;
    EXPECT_TRUE(stessi_bit(p.t.y(m), p.r.y[i])) << m;
  }
}

TEST(TrackPlanRuns, StepsGivenOneByOneEqualOneRun) {
  TrackPlan uno, tutti;
  for (TrackPlan* t : {&uno, &tutti}) {
    t->allocate(1000);
    t->set_integer(0, 0, 0);
    t->set_integer(1, 0, 1);
  }
  for (Long m = 2; m <= 500; ++m) curve_step(uno, m, 0.002);
  for (Long m = 501; m <= 998; ++m) straight_step(uno, m);
  tutti.add_curve(2, 500, 0.002);
  tutti.add_straight(501, 998);
  const auto a = uno.coordinate(0), b = tutti.coordinate(0);
  for (std::size_t m = 0; m <= 1000; ++m) ASSERT_TRUE(stessi_bit(a[m], b[m])) << m;
  EXPECT_TRUE(stessi_bit(uno.y(998), tutti.y(998)));
}

// A point read while it was still empty must not stay empty once given.
TEST(TrackPlanRuns, AReadDoesNotHideLaterPoints) {
  TrackPlan t;
  t.allocate(20);
  t.set_integer(0, 0, 0);
  t.set_integer(1, 0, 1);
  EXPECT_EQ(t.x(15).type, TrackValueType::kEmpty);
  t.add_straight(2, 15);
  EXPECT_EQ(t.y(15).type, TrackValueType::kDouble);
  EXPECT_EQ(t.y(15).value, 15.0);
  t.add_straight(16, 16);
  EXPECT_EQ(t.y(16).value, 16.0);
}

TEST(TrackPlanRuns, CountsPointsByTypeWithoutComputingThem) {
  const PianoVario p;
  EXPECT_EQ(p.t.punti(TrackValueType::kInteger), 2);
  EXPECT_EQ(p.t.punti(TrackValueType::kDouble), 9 + 10 + 2 + 1 + 5);
  EXPECT_EQ(p.t.punti(TrackValueType::kEmpty), 41 - 2 - 27);
  EXPECT_EQ(TrackPlan{}.punti(TrackValueType::kEmpty), 0) << "no plan, no points";
}

// Points go in ascending order, once each, within the plan; a refused point
// leaves the plan as it was.
TEST(TrackPlanRuns, RefusesPointsOutOfOrderOrOutOfRange) {
  const struct {
    const char* caso;
    void (*aggiungi)(TrackPlan&);
  } casi[] = {
      {"given again", [](TrackPlan& t) { t.set_double(30, 0, 0); }},
      {"before the last", [](TrackPlan& t) { t.set_integer(3, 0, 0); }},
      {"run over the last", [](TrackPlan& t) { t.add_straight(28, 35); }},
      {"past the end", [](TrackPlan& t) { t.add_straight(31, 41); }},
      {"empty run", [](TrackPlan& t) { t.add_curve(33, 32, 0.001); }},
      {"negative", [](TrackPlan& t) { t.set_integer(-1, 0, 0); }},
  };
  for (const auto& c : casi) {
    PianoVario p;
    EXPECT_THROW(c.aggiungi(p.t), std::logic_error) << c.caso;
    for (Long m = 0; m <= 40; ++m)
      EXPECT_TRUE(stessi_bit(p.t.x(m), p.r.x[static_cast<std::size_t>(m)])) << c.caso;
  }
  TrackPlan t;
  t.allocate(5);
  EXPECT_THROW(straight_step(t, 1), std::logic_error) << "a step needs two points before it";
  EXPECT_THROW(t.x(6), std::out_of_range);
  EXPECT_THROW(t.y(-1), std::out_of_range);
  EXPECT_THROW(TrackPlan{}.set_integer(0, 0, 0), std::logic_error) << "no plan allocated";
}

}  // namespace
}  // namespace sb

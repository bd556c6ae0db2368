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
  std::vector<ValoreTracciato> x, y;

  explicit Riferimento(Long ultimo)
      : x(static_cast<std::size_t>(ultimo) + 1), y(static_cast<std::size_t>(ultimo) + 1) {}
  void punto(Long m, TipoValore tipo, double a, double b) {
    x.at(static_cast<std::size_t>(m)) = {tipo, a};
    y.at(static_cast<std::size_t>(m)) = {tipo, b};
  }
  void passo(Long m, bool curva, double k) {
    const auto i = static_cast<std::size_t>(m);
    const double dx = x.at(i - 1).valore - x.at(i - 2).valore;
    const double dy = y.at(i - 1).valore - y.at(i - 2).valore;
    if (curva) {
      const double kdy = k * dy;
      const double kdx = k * dx;
      punto(m, TipoValore::kDoppio, x[i - 1].valore + (dx + kdy), y[i - 1].valore + (dy - kdx));
    } else {
      punto(m, TipoValore::kDoppio, x[i - 1].valore + dx, y[i - 1].valore + dy);
    }
  }
};

// A plan with a run of every kind: given integers, straight and curved steps,
// a gap of empty points, a given Double with steps after it, and empty points
// at the end. The same facts go into the reference.
struct PianoVario {
  Tracciato t;
  Riferimento r{40};

  PianoVario() {
    t.alloca(40);
    t.imposta_intero(0, 0, 0);
    r.punto(0, TipoValore::kIntero, 0, 0);
    t.imposta_intero(1, 0, 1);
    r.punto(1, TipoValore::kIntero, 0, 1);
    t.aggiungi_rettilineo(2, 10);
    for (Long m = 2; m <= 10; ++m) r.passo(m, false, 0);
    t.aggiungi_curva(11, 20, 0.003);
    for (Long m = 11; m <= 20; ++m) r.passo(m, true, 0.003);
    t.aggiungi_curva(21, 22, -0.001);
    for (Long m = 21; m <= 22; ++m) r.passo(m, true, -0.001);
    t.imposta_doppio(25, 1.5, -2.5);  // 23 and 24 stay empty
    r.punto(25, TipoValore::kDoppio, 1.5, -2.5);
    t.aggiungi_rettilineo(26, 30);
    for (Long m = 26; m <= 30; ++m) r.passo(m, false, 0);
  }
};

bool stessi_bit(const ValoreTracciato& a, const ValoreTracciato& b) {
  return a.tipo == b.tipo &&
         std::bit_cast<std::uint64_t>(a.valore) == std::bit_cast<std::uint64_t>(b.valore);
}

TEST(TrackPlanRuns, EveryPointMatchesTheRuleBitForBit) {
  const PianoVario p;
  const std::vector<ValoreTracciato> x = p.t.coordinate(0), y = p.t.coordinate(1);
  ASSERT_EQ(x.size(), 41u);
  ASSERT_EQ(y.size(), 41u);
  for (std::size_t m = 0; m <= 40; ++m) {
    EXPECT_TRUE(stessi_bit(x[m], p.r.x[m])) << m;
    EXPECT_TRUE(stessi_bit(y[m], p.r.y[m])) << m;
  }
  EXPECT_EQ(x[23].tipo, TipoValore::kVuoto);
  EXPECT_EQ(x[26].tipo, TipoValore::kDoppio);
  EXPECT_EQ(y[40].tipo, TipoValore::kVuoto);
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
  Tracciato uno, tutti;
  for (Tracciato* t : {&uno, &tutti}) {
    t->alloca(1000);
    t->imposta_intero(0, 0, 0);
    t->imposta_intero(1, 0, 1);
  }
  for (Long m = 2; m <= 500; ++m) passo_curva(uno, m, 0.002);
  for (Long m = 501; m <= 998; ++m) passo_rettilineo(uno, m);
  tutti.aggiungi_curva(2, 500, 0.002);
  tutti.aggiungi_rettilineo(501, 998);
  const auto a = uno.coordinate(0), b = tutti.coordinate(0);
  for (std::size_t m = 0; m <= 1000; ++m) ASSERT_TRUE(stessi_bit(a[m], b[m])) << m;
  EXPECT_TRUE(stessi_bit(uno.y(998), tutti.y(998)));
}

// A point read while it was still empty must not stay empty once given.
TEST(TrackPlanRuns, AReadDoesNotHideLaterPoints) {
  Tracciato t;
  t.alloca(20);
  t.imposta_intero(0, 0, 0);
  t.imposta_intero(1, 0, 1);
  EXPECT_EQ(t.x(15).tipo, TipoValore::kVuoto);
  t.aggiungi_rettilineo(2, 15);
  EXPECT_EQ(t.y(15).tipo, TipoValore::kDoppio);
  EXPECT_EQ(t.y(15).valore, 15.0);
  t.aggiungi_rettilineo(16, 16);
  EXPECT_EQ(t.y(16).valore, 16.0);
}

TEST(TrackPlanRuns, CountsPointsByTypeWithoutComputingThem) {
  const PianoVario p;
  EXPECT_EQ(p.t.punti(TipoValore::kIntero), 2);
  EXPECT_EQ(p.t.punti(TipoValore::kDoppio), 9 + 10 + 2 + 1 + 5);
  EXPECT_EQ(p.t.punti(TipoValore::kVuoto), 41 - 2 - 27);
  EXPECT_EQ(Tracciato{}.punti(TipoValore::kVuoto), 0) << "no plan, no points";
}

// Points go in ascending order, once each, within the plan; a refused point
// leaves the plan as it was.
TEST(TrackPlanRuns, RefusesPointsOutOfOrderOrOutOfRange) {
  const struct {
    const char* caso;
    void (*aggiungi)(Tracciato&);
  } casi[] = {
      {"given again", [](Tracciato& t) { t.imposta_doppio(30, 0, 0); }},
      {"before the last", [](Tracciato& t) { t.imposta_intero(3, 0, 0); }},
      {"run over the last", [](Tracciato& t) { t.aggiungi_rettilineo(28, 35); }},
      {"past the end", [](Tracciato& t) { t.aggiungi_rettilineo(31, 41); }},
      {"empty run", [](Tracciato& t) { t.aggiungi_curva(33, 32, 0.001); }},
      {"negative", [](Tracciato& t) { t.imposta_intero(-1, 0, 0); }},
  };
  for (const auto& c : casi) {
    PianoVario p;
    EXPECT_THROW(c.aggiungi(p.t), std::logic_error) << c.caso;
    for (Long m = 0; m <= 40; ++m)
      EXPECT_TRUE(stessi_bit(p.t.x(m), p.r.x[static_cast<std::size_t>(m)])) << c.caso;
  }
  Tracciato t;
  t.alloca(5);
  EXPECT_THROW(passo_rettilineo(t, 1), std::logic_error) << "a step needs two points before it";
  EXPECT_THROW(t.x(6), std::out_of_range);
  EXPECT_THROW(t.y(-1), std::out_of_range);
  EXPECT_THROW(Tracciato{}.imposta_intero(0, 0, 0), std::logic_error) << "no plan allocated";
}

}  // namespace
}  // namespace sb

#include "compiler/route_model.h"

#include <gtest/gtest.h>

#include "compiler/track_plan.h"
#include "support/track_steps.h"

namespace sb {
namespace {

using testing::curve_step;
using testing::point_at;
using testing::straight_step;

TEST(Arrotonda, HalvesGoToTheEvenNeighbour) {
  const struct {
    double v;
    std::int64_t expected;
  } cases[] = {{2.5, 2},     {3.5, 4},       {0.5, 0},     {1.5, 2},
               {-0.5, 0},    {-1.5, -2},     {-2.5, -2},   {2.49, 2},
               {2.51, 3},    {142.5, 142},   {143.5, 144}, {-0.2, 0},
               {3380, 3380}, {1802.4, 1802}, {-3.7, -4},   {1e12 + 0.5, 1000000000000}};
  for (const auto& c : cases) EXPECT_EQ(arrotonda(c.v), c.expected) << c.v;
}

TEST(IndiceCella, PointElementsRoundToEven) {
  EXPECT_EQ(indice_cella(0), 1);
  EXPECT_EQ(indice_cella(3200), 65);
  EXPECT_EQ(indice_cella(25), 2);   // 1.5 -> 2
  EXPECT_EQ(indice_cella(75), 2);   // 2.5 -> 2
  EXPECT_EQ(indice_cella(125), 4);  // 3.5 -> 4
  EXPECT_EQ(indice_cella(27750), 556);
  EXPECT_EQ(indice_cella(-100), -1);
}

TEST(Widths, NarrowingKeepsTheLowBits) {
  EXPECT_EQ(low8(93), 93);
  EXPECT_EQ(low8(100 - 107 + 200), 193);
  EXPECT_EQ(low8(-7 + 100), 93);
  EXPECT_EQ(low8(300), 44);
  EXPECT_EQ(low8(-1), 255);
  EXPECT_EQ(low16(40000), -25536);
  EXPECT_EQ(low16(-1), -1);
  EXPECT_EQ(low16(65536 + 7), 7);
  EXPECT_EQ(low32(0x1'0000'0005LL), 5);
}

TEST(CellCount, FollowsTheLineLength) {
  const struct {
    Long length;
    Long last_cell;
  } cases[] = {{0, 140}, {125, 142}, {175, 144}, {162000, 3380}, {1000000, 20140}};
  for (const auto& c : cases) {
    RouteModel m;
    m.create_cells(c.length);
    EXPECT_EQ(m.last_cell(), c.last_cell) << c.length;
    EXPECT_EQ(m.lunghezza_estesa, c.length + 7000);
    EXPECT_FALSE(m.tracciato.allocated()) << "no track plan unless asked for";
  }
}

TEST(CellCount, TrackPlanHasOnePointPerMetre) {
  RouteModel m;
  m.scrivi_linea = 1;
  m.create_cells(162000);
  ASSERT_TRUE(m.tracciato.allocated());
  EXPECT_EQ(m.tracciato.last_metre(), 169000);
  EXPECT_EQ(point_at(m.tracciato, 169000).x.type, TrackValueType::kEmpty);
}

TEST(Curvature, FirstDigitDecidesAndSMakesItLeftHanded) {
  const struct {
    const char* word;
    bool ok;
    double k;
  } cases[] = {{"curvad2", true, 0.0002},  {"curvas3", true, -0.0004}, {"curvad3", true, 0.0004},
               {"curvad21", true, 0.0001}, {"CURVAS6", true, -0.003},  {"curvad4", true, 0.001},
               {"curvad5", true, 0.002},   {"curvad", false, 0},       {"curvad7", false, 0}};
  for (const auto& c : cases) {
    double k = 0;
    EXPECT_EQ(curvature(c.word, &k), c.ok) << c.word;
    if (c.ok) {
      EXPECT_EQ(k, c.k) << c.word;
    }
  }
}

TEST(TrackPlanSteps, StraightThenRightHandCurve) {
  TrackPlan t;
  t.allocate(10);
  t.set_integer(0, 0, 0);
  t.set_integer(1, 0, 1);
  straight_step(t, 2);
  EXPECT_EQ(point_at(t, 2).x.value, 0.0);
  EXPECT_EQ(point_at(t, 2).y.value, 2.0);
  EXPECT_EQ(point_at(t, 2).x.type, TrackValueType::kDouble);
  curve_step(t, 3, 0.0002);  // heading +y, turning right: x grows
  EXPECT_EQ(point_at(t, 3).x.value, 0.0002);
  EXPECT_EQ(point_at(t, 3).y.value, 3.0);
  curve_step(t, 4, 0.0002);
  EXPECT_EQ(point_at(t, 4).x.value, 0.0002 + (0.0002 + 0.0002 * 1.0));
  EXPECT_EQ(point_at(t, 4).y.value, 3.0 + (1.0 - 0.0002 * 0.0002));
  EXPECT_EQ(point_at(t, 5).x.type, TrackValueType::kEmpty);
}

}  // namespace
}  // namespace sb

// The time-distance graph: the timed stations in timetable order, and for
// each stretch the run at the speed limits that bounds it from below.
#include "tools/timetable_graph.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sb {
namespace {

oggetto station(const char* name, Long metre, Long seconds) {
  oggetto o{};
  o.genere = 1;
  o.testo = name;
  o.valore_c = metre;
  o.valore_d = seconds;
  return o;
}

TEST(TimetableGraph, EachStretchIsBoundedByTheRunAtTheLimits) {
  // 45 km/h (4 s a cell) for 200 m, then 90 km/h (2 s a cell).
  std::vector<cella> p(20);
  for (std::size_t c = 0; c < p.size(); ++c) p[c].velocita = c < 4 ? 9 : 18;
  std::array<oggetto, kItemCount> items{};
  items[1] = station("A  ", 0, 1000);
  items[2] = station("PASS", 100, 0);  // no time: not a stop
  items[3] = station("B", 300, 1030);  // 20 s needed, 30 given
  items[4] = station("C", 500, 1035);  // 8 s needed, 5 given
  items[5] = station("D", 400, 1040);  // behind C: no stretch
  const TimetableGraph g = timetable_graph(p, items);

  ASSERT_EQ(g.stops.size(), 4u);
  EXPECT_EQ(g.stops[0].name, "A");
  EXPECT_EQ(g.stops[2].name, "C");
  ASSERT_EQ(g.stretches.size(), 2u);

  const TimetableStretch& ab = g.stretches[0];
  EXPECT_EQ(ab.from, 0u);
  EXPECT_DOUBLE_EQ(ab.scheduled, 30);
  ASSERT_TRUE(ab.fastest);
  EXPECT_DOUBLE_EQ(*ab.fastest, 20);
  EXPECT_FALSE(ab.too_fast());
  // A point where the limit changes, and the end; the run leaves at A's time.
  ASSERT_EQ(ab.fastest_run.size(), 3u);
  EXPECT_DOUBLE_EQ(ab.fastest_run[0].seconds, 1000);
  EXPECT_DOUBLE_EQ(ab.fastest_run[1].metre, 200);
  EXPECT_DOUBLE_EQ(ab.fastest_run[1].seconds, 1016);
  EXPECT_DOUBLE_EQ(ab.fastest_run[2].metre, 300);
  EXPECT_DOUBLE_EQ(ab.fastest_run[2].seconds, 1020);

  const TimetableStretch& bc = g.stretches[1];
  EXPECT_EQ(bc.from, 1u);
  EXPECT_TRUE(bc.too_fast());
  EXPECT_DOUBLE_EQ(bc.fastest_run.back().seconds, 1038);
}

TEST(TimetableGraph, AStretchWithoutALimitHasNoBound) {
  std::vector<cella> p(4);
  p[0].velocita = 18;  // the other cells have no limit
  std::array<oggetto, kItemCount> items{};
  items[1] = station("A", 0, 100);
  items[2] = station("B", 150, 101);
  items[3] = station("C", 9000, 200);  // beyond the route
  const TimetableGraph g = timetable_graph(p, items);
  ASSERT_EQ(g.stretches.size(), 2u);
  for (const TimetableStretch& s : g.stretches) {
    EXPECT_FALSE(s.fastest);
    EXPECT_TRUE(s.fastest_run.empty());
    EXPECT_FALSE(s.too_fast());
  }
}

}  // namespace
}  // namespace sb

// The decoding of compiled records in an author's units, held against the
// reader: a row read by the compiler decodes back to the fields it was
// written with.
#include "compiler/route_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "compiler/cell_kinds.h"
#include "support/reader_fixture.h"

namespace sb {
namespace {

using testing::read_rows;
using testing::ReaderRun;

TEST(RouteValues, KilometresAndClockTimes) {
  const struct {
    double metres;
    const char* text;
  } kilometres[] = {{0, "0+000"},          {50, "0+050"},          {12350, "12+350"},
                    {110600, "110+600"},   {999999.6, "1000+000"}, {-50, "-0+050"},
                    {1000000, "1000+000"}, {7.5, "0+008"}};
  for (const auto& k : kilometres) EXPECT_EQ(kilometre_text(k.metres), k.text) << k.metres;

  const struct {
    std::int64_t seconds;
    const char* text;
  } times[] = {{0, "00:00:00"},
               {27300, "07:35:00"},
               {38 * 3600 + 59, "38:00:59"},
               {-61, "-00:01:01"},
               {86399, "23:59:59"},
               {360000, "100:00:00"},
               {-2147483648LL, "-596523:14:08"}};
  for (const auto& t : times) EXPECT_EQ(clock_text(t.seconds), t.text) << t.seconds;
}

TEST(RouteValues, SpeedAndGradientFromTheCellsTheReaderFilled) {
  const ReaderRun l =
      read_rows("pendenza, 0, -12\npendenza, 1000, 25\n", "velocita, 0, 95\nvelocita, 1000, 5\n");
  ASSERT_EQ(l.code(), 0);
  EXPECT_EQ(speed_limit_kmh(l.cell(0)), 95);
  EXPECT_EQ(gradient_per_mille(l.cell(0)), -12);
  EXPECT_EQ(speed_limit_kmh(l.cell(20)), 5);
  EXPECT_EQ(gradient_per_mille(l.cell(20)), 25);
}

TEST(RouteValues, FastestRunCrossesEachCellAtItsLimit) {
  // 45 km/h is 12.5 m/s: 4 s a cell; 90 km/h is 2 s a cell; the last cell has no limit.
  std::vector<cella> p(10);
  for (std::size_t c = 0; c < p.size(); ++c) p[c].velocita = c < 4 ? 9 : 18;
  p[9].velocita = 0;
  const struct {
    double from, to;
    std::optional<double> seconds;
  } cases[] = {
      {0, 200, 16.0},         {0, 300, 20.0},           {25, 75, 4.0},
      {175, 225, 3.0},        {100, 100, 0.0},          {0, 450, 26.0},
      {0, 451, std::nullopt}, {300, 200, std::nullopt}, {-50, 100, std::nullopt},
      {0, 501, std::nullopt},
  };
  for (const auto& k : cases) {
    const std::optional<double> s = fastest_run_seconds(p, k.from, k.to);
    ASSERT_EQ(s.has_value(), k.seconds.has_value()) << k.from << " to " << k.to;
    if (s) {
      EXPECT_DOUBLE_EQ(*s, *k.seconds) << k.from << " to " << k.to;
    }
  }
}

TEST(RouteValues, SignalDecodesToTheFieldsOfItsRow) {
  // sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo.
  const struct {
    const char* row;
    SignalFields fields;
  } cases[] = {
      {"segnale, 3200, 2, 2, 3, 1, 1, 2, 2, 1, 1, 0", {2, 2, 3, 1, 1, 2, 2, 1, 1, 0}},
      {"segnale, 3200, 1, 3, 1, 0, 0, 0, 0, 0, 0, 255", {1, 3, 1, 0, 0, 0, 0, 0, 0, 0}},
      {"segnale, 3200, 2, 9, 9, 9, 7, 2, 9, 9, 9, 210", {2, 9, 9, 9, 7, 2, 9, 9, 9, 210}},
      {"segnale, 3200, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0", {0, 0, 0, 0, 0, 1, 0, 0, 0, 0}},
  };
  for (const auto& k : cases) {
    const ReaderRun l = read_rows("", std::string(k.row) + "\n");
    ASSERT_EQ(l.code(), 0) << k.row;
    const cella& c = l.cell(static_cast<std::size_t>(cell_of(Placement::kPoint, 3200)));
    ASSERT_EQ(c.genere, kSignal) << k.row;
    const SignalFields f = signal_fields(c);
    const int got[] = {f.sx, f.s1, f.s2, f.s3, f.rapp, f.dx, f.d1, f.d2, f.d3, f.tempo};
    const SignalFields& e = k.fields;
    const int want[] = {e.sx, e.s1, e.s2, e.s3, e.rapp, e.dx, e.d1, e.d2, e.d3, e.tempo};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(got[i], want[i]) << k.row << " field " << i;
  }
}

TEST(RouteValues, BoardsDecodeToTheSpeedsOfBothSets) {
  const ReaderRun l = read_rows("indicatori_vmax, 900, 90, 95, 100, 2, 50, 0, 15, 1\n", "");
  ASSERT_EQ(l.code(), 0);
  const cella& c = l.cell(static_cast<std::size_t>(cell_of(Placement::kPoint, 900)));
  ASSERT_EQ(c.genere, kSpeedBoards);
  EXPECT_EQ(board_speeds(c.dato1).set_s, 90);
  EXPECT_EQ(board_speeds(c.dato1).set_d, 50);
  EXPECT_EQ(board_speeds(c.dato2).set_s, 95);
  EXPECT_EQ(board_speeds(c.dato2).set_d, 0);
  EXPECT_EQ(board_speeds(c.dato3).set_s, 100);
  EXPECT_EQ(board_speeds(c.dato3).set_d, 15);
  EXPECT_EQ(stripes_s(c), 2);
  EXPECT_EQ(stripes_d(c), 1);
}

TEST(RouteValues, SlowdownsSpanFromTheirStartCellToTheirEndCell) {
  // The second slowdown is shorter than a cell: its end falls on its start.
  const ReaderRun l = read_rows("",
                                "rallentamento, 5000, 60, 500, 2, 1, 7\n"
                                "rallentamento, 20000, 30, 10, 1, 0, 0\n"
                                "rallentamento, 30000, 80, 1250, 1, 1, 0\n");
  ASSERT_EQ(l.code(), 0);
  const std::vector<Slowdown> s = slowdowns_of(l.m->percorso);
  ASSERT_EQ(s.size(), 3u);
  const struct {
    double start, end;
    int speed;
  } want[] = {{5000, 5500, 60}, {20000, 20050, 30}, {30000, 31250, 80}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(s[i].start, want[i].start) << i;
    EXPECT_EQ(s[i].end, want[i].end) << i;
    EXPECT_EQ(s[i].speed_kmh, want[i].speed) << i;
    EXPECT_EQ(l.cell(s[i].start_cell).genere, kSlowdownStart) << i;
  }
  EXPECT_EQ(s[1].end_cell, s[1].start_cell);

  // Cells from elsewhere: an end with no start before it is passed over, a
  // start with no end covers its own cell, nothing reads out of the route.
  std::vector<cella> p(10);
  p[2].genere = kSlowdownEnd;
  p[5].genere = kSlowdownStart;
  p[5].dato1 = 40;
  const std::vector<Slowdown> odd = slowdowns_of(p);
  ASSERT_EQ(odd.size(), 1u);
  EXPECT_EQ(odd[0].start, 200);
  EXPECT_EQ(odd[0].end, 250);
  EXPECT_TRUE(slowdowns_of({}).empty());
}

TEST(RouteValues, SignTextsAreTheirGroupsInParentheses) {
  const struct {
    const char* testo;
    std::vector<std::string> lines;
  } cases[] = {
      {"(P.L.      )(AUTOMATICO)", {"P.L.", "AUTOMATICO"}},
      {"(CADUTA MASSI)", {"CADUTA MASSI"}},
      {"  (Galleria   )(DEL VALICO)  ", {"Galleria", "DEL VALICO"}},
      {"written plainly", {"written plainly"}},
      {"(unclosed", {"unclosed"}},
      {"before (inside) after", {"before", "inside", "after"}},
      {"()(   )", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(sign_text_lines(c.testo), c.lines) << c.testo;
}

TEST(RouteValues, StationsAndTheItemsThatCellsName) {
  std::array<oggetto, kItemCount> o{};
  o[1] = {7, 0, 700, 0, 0, "  BORGOLUCE   ", 0, 0, 0, 0, 0, 0, 0, 0, 0, 27300};
  o[2] = {0, 0, 0, 0, 0, "NO KIND", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  o[3] = {2, 0, 0, 2150, 0, "   ", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  o[80] = {0, 0, 0, 0, 0, "(P.L.)", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  o[84] = {9, 0, 162000, 0, 0, "LINE ITEM", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::vector<Station> s = stations_of(o);
  ASSERT_EQ(s.size(), 1u) << "no kind, no name and items beyond 80 are not stations";
  EXPECT_EQ(s[0].item, 1u);
  EXPECT_EQ(s[0].name, "BORGOLUCE");
  EXPECT_EQ(s[0].time, 27300);

  cella sign{};
  sign.genere = kSign;
  for (const Integer item : {Integer{80}, Integer{0}, Integer{86}}) {
    sign.dato1 = item;
    EXPECT_EQ(named_item(sign), static_cast<std::size_t>(item));
  }
  for (const Integer item : {Integer{87}, Integer{-1}, Integer{32767}}) {
    sign.dato1 = item;
    EXPECT_FALSE(named_item(sign)) << item;
  }
  cella signal{};
  signal.genere = kSignal;
  signal.dato1 = 5;
  EXPECT_FALSE(named_item(signal)) << "only signs and station ends name an item";
}

}  // namespace
}  // namespace sb

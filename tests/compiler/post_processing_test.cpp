#include "compiler/post_processing.h"

#include <gtest/gtest.h>

#include <vector>

#include "compiler/error_codes.h"

namespace sb {
namespace {

// A route of cells 0 to 140 (line length 0), filled by hand.
RouteModel blank_route() {
  RouteModel m;
  m.create_cells(0);
  return m;
}

void put(RouteModel& m, int c, Byte genere, Integer dato1 = 0) {
  m.percorso.at(c).genere = genere;
  m.percorso.at(c).dato1 = dato1;
}

// A slowdown start of speed v at cell c.
void slowdown_start(RouteModel& m, int c, Integer v) {
  put(m, c, kSlowdownStart, v);
}

// The cells that hold a mark of value 180, in ascending order.
std::vector<int> marks(const RouteModel& m) {
  std::vector<int> cells;
  for (int c = 0; c <= m.last_cell(); ++c) {
    if (m.percorso[c].genere == kMark && m.percorso[c].dato1 == 180) cells.push_back(c);
  }
  return cells;
}

std::vector<int> marks_between(const RouteModel& m, int first, int last) {
  std::vector<int> cells;
  for (int c : marks(m)) {
    if (c >= first && c <= last) cells.push_back(c);
  }
  return cells;
}

TEST(PostProcessing, RouteWithoutSlowdownIsUnchanged) {
  RouteModel m = blank_route();
  put(m, 10, kSignal, 22);
  put(m, 9, kMountainMark);
  put(m, 30, kMark, 250);
  put(m, 31, kSpeedBoards, 1800);
  put(m, 50, kSlowdownEnd, 60);
  m.percorso[20].velocita = 19;
  const RouteModel before = m;
  run_post_processing(m);
  EXPECT_EQ(m.percorso, before.percorso);
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(PostProcessing, EmptyRouteIsLeftAlone) {
  RouteModel m;
  run_post_processing(m);
  EXPECT_FALSE(m.has_cells());
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(PostProcessing, LaterErrorOverwritesAnEarlierOne) {
  RouteModel m = blank_route();
  put(m, 40, kSlowdownWarning);
  put(m, 39, kSignal);
  put(m, 38, kSign);
  put(m, 37, kSign);  // code 11 at 1950
  slowdown_start(m, 60, 120);
  for (int c : {55, 54, 53}) put(m, c, kSign);  // code 12 at 3000
  run_post_processing(m);
  EXPECT_EQ(m.codice_errore, kNoRoomBeforeSlowdown);
  EXPECT_EQ(m.progressiva_errore, 3000);
}

// ---- rule A: signals before a warning point ----

TEST(PostProcessingRuleA, SignalRightBeforeTheWarningPoint) {
  const cella empty{};
  const cella mountain{.genere = kMountainMark, .montagna = 2, .velocita = 19};
  const cella taken{.genere = kSign, .dato1 = 3};
  const cella signal{.genere = kSignal};
  const auto mark = [](Integer v) { return cella{.genere = kMark, .dato1 = v}; };
  const struct {
    const char* name;
    cella before1, before2;  // cells s - 1 and s - 2 before
    cella after1, after2;    // and after the pass
    Long code;
  } cases[] = {
      {"free cell before", empty, empty, mark(180), empty, 0},
      {"mountain mark is overwritten",
       mountain,
       empty,
       {.genere = kMark, .dato1 = 180, .montagna = 2, .velocita = 19},
       empty,
       0},
      {"lower mark stays", mark(100), taken, mark(100), taken, 0},
      {"higher mark is lowered", mark(200), taken, mark(180), taken, 0},
      {"free cell two before wins over merging", mark(200), empty, mark(200), mark(180), 0},
      {"free cell two before", taken, empty, taken, mark(180), 0},
      {"mark two before is lowered", taken, mark(250), taken, mark(180), 0},
      {"no room", taken, signal, taken, signal, kNoRoomBeforeSignal},
  };
  for (const auto& c : cases) {
    RouteModel m = blank_route();
    put(m, 40, kSlowdownWarning, 60);
    put(m, 39, kSignal);
    m.percorso[38] = c.before1;
    m.percorso[37] = c.before2;
    run_post_processing(m);
    EXPECT_EQ(m.percorso[38], c.after1) << c.name;
    EXPECT_EQ(m.percorso[37], c.after2) << c.name;
    EXPECT_EQ(m.codice_errore, c.code) << c.name;
    if (c.code != 0) {
      EXPECT_EQ(m.progressiva_errore, 39 * 50) << c.name;
    }
  }
}

TEST(PostProcessingRuleA, EverySignalInTheTwentyCellsBefore) {
  RouteModel m = blank_route();
  put(m, 60, kSlowdownWarning);
  put(m, 55, kSignal);
  put(m, 40, kSignal);  // 20 cells before
  put(m, 38, kSignal);  // 22 cells before: outside
  run_post_processing(m);
  EXPECT_EQ(marks(m), (std::vector<int>{39, 54}));
}

TEST(PostProcessingRuleA, SignalsBelowCellThreeAreNotTreated) {
  RouteModel m = blank_route();
  put(m, 4, kSlowdownWarning);
  put(m, 3, kSignal);
  run_post_processing(m);
  EXPECT_EQ(marks(m), (std::vector<int>{2}));

  RouteModel n = blank_route();
  put(n, 5, kSlowdownWarning);
  put(n, 2, kSignal);
  const RouteModel before = n;
  run_post_processing(n);
  EXPECT_EQ(n.percorso, before.percorso);
}

TEST(PostProcessingRuleA, MarkOfAnEarlierWarningPointIsSeen) {
  RouteModel m = blank_route();
  put(m, 35, kSignal);
  put(m, 40, kSlowdownWarning);
  put(m, 45, kSlowdownWarning);
  run_post_processing(m);
  // The second warning point finds 34 taken and 33 free.
  EXPECT_EQ(marks(m), (std::vector<int>{33, 34}));
}

// ---- rule B: marks before, inside and after a slowdown ----

TEST(PostProcessingRuleB, MarksBeforeTheStartDependOnItsCell) {
  const struct {
    int start;
    std::vector<int> marks;
  } cases[] = {
      {7, {}},
      {8, {3}},
      {13, {8}},
      {14, {3, 9}},
      {20, {9, 15}},
      {21, {3, 10, 16}},
      {138, {120, 127, 133}},
      {139, {}},  // the last two cells are never triggers
  };
  for (const auto& c : cases) {
    RouteModel m = blank_route();
    slowdown_start(m, c.start, 120);  // fast: no marks inside, and no end cell
    run_post_processing(m);
    EXPECT_EQ(marks(m), c.marks) << c.start;
    EXPECT_EQ(m.codice_errore, 0) << c.start;
  }
}

TEST(PostProcessingRuleB, MarkBeforeTheStartFallsBack) {
  const struct {
    std::vector<int> taken;
    std::vector<int> marks;
    Long code;
  } cases[] = {
      {{}, {45}, 0},
      {{45}, {44}, 0},
      {{45, 44}, {43}, 0},
      {{45, 44, 43}, {}, kNoRoomBeforeSlowdown},
  };
  for (const auto& c : cases) {
    RouteModel m = blank_route();
    slowdown_start(m, 50, 120);
    for (int cell : c.taken) put(m, cell, kSign);
    run_post_processing(m);
    EXPECT_EQ(marks_between(m, 43, 45), c.marks);
    EXPECT_EQ(m.codice_errore, c.code);
    if (c.code != 0) {
      EXPECT_EQ(m.progressiva_errore, 2500);
    }
  }
}

TEST(PostProcessingRuleB, ExistingMarkIsNeitherFreeNorMerged) {
  RouteModel m = blank_route();
  slowdown_start(m, 50, 120);
  put(m, 45, kMark, 100);
  run_post_processing(m);
  EXPECT_EQ(m.percorso[45].dato1, 100);
  EXPECT_EQ(m.percorso[44], (cella{.genere = kMark, .dato1 = 180}));
}

TEST(PostProcessingRuleB, SlowSlowdownGetsAMarkEveryEightCells) {
  const struct {
    Integer speed;
    std::vector<int> marks;
  } cases[] = {{100, {38, 46}}, {109, {38, 46}}, {110, {}}, {150, {}}};
  for (const auto& c : cases) {
    RouteModel m = blank_route();
    slowdown_start(m, 30, c.speed);
    put(m, 50, kSlowdownEnd, c.speed);
    put(m, 46, kMountainMark);  // a mountain mark is free for the walk
    run_post_processing(m);
    EXPECT_EQ(marks_between(m, 31, 50), c.marks) << c.speed;
    EXPECT_EQ(m.codice_errore, 0);
  }
}

TEST(PostProcessingRuleB, EighthCellTakenFallsBackAndKeepsTheSpacing) {
  const struct {
    const char* name;
    int end;
    std::vector<int> taken;
    std::vector<int> marks;
    Long code;
  } cases[] = {
      {"end on the eighth cell", 38, {}, {37}, 0},
      {"end on the eighth cell, cell before taken", 38, {37}, {39}, 0},
      {"end on the eighth cell, no room", 38, {37, 39}, {}, kNoRoomInSlowdown},
      {"cell before", 70, {38}, {37, 45, 53, 61, 69}, 0},
      {"cell after", 70, {38, 37}, {39, 47, 55, 63}, 0},
      {"no room: no further mark in this slowdown", 70, {38, 37, 39}, {}, kNoRoomInSlowdown},
  };
  for (const auto& c : cases) {
    RouteModel m = blank_route();
    slowdown_start(m, 30, 60);
    put(m, c.end, kSlowdownEnd, 60);
    for (int cell : c.taken) put(m, cell, kSign);
    run_post_processing(m);
    EXPECT_EQ(marks_between(m, 31, 75), c.marks) << c.name;
    EXPECT_EQ(m.codice_errore, c.code) << c.name;
    if (c.code != 0) {
      EXPECT_EQ(m.progressiva_errore, 38 * 50) << c.name;
    }
  }
}

TEST(PostProcessingRuleB, WalkWithoutEndCellStopsAtTheLastCell) {
  RouteModel m = blank_route();  // last cell 140
  slowdown_start(m, 130, 50);
  run_post_processing(m);
  EXPECT_EQ(marks_between(m, 131, 140), (std::vector<int>{138}));
  EXPECT_EQ(m.codice_errore, 0);

  // The eighth cell is the last one: there is no cell after it to fall back on.
  RouteModel n = blank_route();
  slowdown_start(n, 132, 50);
  put(n, 140, kSign);
  put(n, 139, kSign);
  run_post_processing(n);
  EXPECT_EQ(marks_between(n, 133, 140), std::vector<int>{});
  EXPECT_EQ(n.codice_errore, kNoRoomInSlowdown);
  EXPECT_EQ(n.progressiva_errore, 140 * 50);
  EXPECT_EQ(n.percorso.size(), 141u);
}

TEST(PostProcessingRuleB, FirstSignalAfterTheEndGetsAMark) {
  const struct {
    const char* name;
    int signal;
    std::vector<int> taken;
    std::vector<int> marks;
    Long code;
  } cases[] = {
      {"12 cells after the end", 62, {}, {61}, 0},
      {"13 cells after the end", 63, {}, {}, 0},
      {"cell before taken", 55, {54}, {53}, 0},
      {"no room", 55, {54, 53}, {}, kNoRoomInSlowdown},
      {"right after the end: the end cell is taken", 51, {}, {49}, 0},
  };
  for (Integer speed : {60, 120}) {
    for (const auto& c : cases) {
      RouteModel m = blank_route();
      slowdown_start(m, 45, speed);
      put(m, 50, kSlowdownEnd, speed);
      put(m, c.signal, kSignal);
      for (int cell : c.taken) put(m, cell, kSign);
      run_post_processing(m);
      EXPECT_EQ(marks_between(m, 46, 70), c.marks) << c.name << " " << speed;
      EXPECT_EQ(m.codice_errore, c.code) << c.name;
      if (c.code != 0) {
        EXPECT_EQ(m.progressiva_errore, 50 * 50) << "the position of the slowdown end";
      }
    }
  }
}

TEST(PostProcessingRuleB, FastSlowdownWithoutEndCellLooksForNoSignal) {
  RouteModel m = blank_route();
  // An earlier slow slowdown whose walk ends at cell 20; its look-ahead marks 24.
  slowdown_start(m, 10, 50);
  put(m, 20, kSlowdownEnd, 50);
  put(m, 25, kSignal);
  // A fast one with no end cell of its own: nothing after it is looked at,
  // in particular not from where the earlier walk stopped.
  slowdown_start(m, 40, 120);
  put(m, 44, kSignal);
  run_post_processing(m);
  EXPECT_EQ(m.percorso[24].genere, kMark);
  EXPECT_EQ(m.percorso[23].genere, kFree);
  EXPECT_EQ(m.percorso[43].genere, kFree);
  EXPECT_EQ(m.codice_errore, 0);
}

}  // namespace
}  // namespace sb

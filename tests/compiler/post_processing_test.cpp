#include "compiler/post_processing.h"

#include <gtest/gtest.h>

#include <vector>

#include "compiler/error_codes.h"

namespace sb {
namespace {

// A route of cells 0 to 140 (line length 0), filled by hand.
RouteModel percorso() {
  RouteModel m;
  m.create_cells(0);
  return m;
}

void metti(RouteModel& m, int c, Byte genere, Integer dato1 = 0) {
  m.percorso.at(c).genere = genere;
  m.percorso.at(c).dato1 = dato1;
}

// A slowdown start of speed v at cell c.
void inizio(RouteModel& m, int c, Integer v) {
  metti(m, c, kSlowdownStart, v);
}

// The cells that hold a mark of value 180, in ascending order.
std::vector<int> marche(const RouteModel& m) {
  std::vector<int> celle;
  for (int c = 0; c <= m.last_cell(); ++c) {
    if (m.percorso[c].genere == kMark && m.percorso[c].dato1 == 180) celle.push_back(c);
  }
  return celle;
}

std::vector<int> marche_tra(const RouteModel& m, int da, int a) {
  std::vector<int> celle;
  for (int c : marche(m)) {
    if (c >= da && c <= a) celle.push_back(c);
  }
  return celle;
}

TEST(PostProcessing, RouteWithoutSlowdownIsUnchanged) {
  RouteModel m = percorso();
  metti(m, 10, kSignal, 22);
  metti(m, 9, kMountainMark);
  metti(m, 30, kMark, 250);
  metti(m, 31, kSpeedBoards, 1800);
  metti(m, 50, kSlowdownEnd, 60);
  m.percorso[20].velocita = 19;
  const RouteModel prima = m;
  run_post_processing(m);
  EXPECT_EQ(m.percorso, prima.percorso);
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(PostProcessing, EmptyRouteIsLeftAlone) {
  RouteModel m;
  run_post_processing(m);
  EXPECT_FALSE(m.has_cells());
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(PostProcessing, LaterErrorOverwritesAnEarlierOne) {
  RouteModel m = percorso();
  metti(m, 40, kSlowdownWarning);
  metti(m, 39, kSignal);
  metti(m, 38, kSign);
  metti(m, 37, kSign);  // code 11 at 1950
  inizio(m, 60, 120);
  for (int c : {55, 54, 53}) metti(m, c, kSign);  // code 12 at 3000
  run_post_processing(m);
  EXPECT_EQ(m.codice_errore, kNoRoomBeforeSlowdown);
  EXPECT_EQ(m.progressiva_errore, 3000);
}

// ---- rule A: signals before a warning point ----

TEST(PostProcessingRuleA, SignalRightBeforeTheWarningPoint) {
  const cella vuota{};
  const cella montagna{.genere = kMountainMark, .montagna = 2, .velocita = 19};
  const cella presa{.genere = kSign, .dato1 = 3};
  const cella segnale{.genere = kSignal};
  const auto marca = [](Integer v) { return cella{.genere = kMark, .dato1 = v}; };
  const struct {
    const char* nome;
    cella prima1, prima2;  // cells s - 1 and s - 2 before
    cella dopo1, dopo2;    // and after the pass
    Long codice;
  } casi[] = {
      {"free cell before", vuota, vuota, marca(180), vuota, 0},
      {"mountain mark is overwritten",
       montagna,
       vuota,
       {.genere = kMark, .dato1 = 180, .montagna = 2, .velocita = 19},
       vuota,
       0},
      {"lower mark stays", marca(100), presa, marca(100), presa, 0},
      {"higher mark is lowered", marca(200), presa, marca(180), presa, 0},
      {"free cell two before wins over merging", marca(200), vuota, marca(200), marca(180), 0},
      {"free cell two before", presa, vuota, presa, marca(180), 0},
      {"mark two before is lowered", presa, marca(250), presa, marca(180), 0},
      {"no room", presa, segnale, presa, segnale, kNoRoomBeforeSignal},
  };
  for (const auto& caso : casi) {
    RouteModel m = percorso();
    metti(m, 40, kSlowdownWarning, 60);
    metti(m, 39, kSignal);
    m.percorso[38] = caso.prima1;
    m.percorso[37] = caso.prima2;
    run_post_processing(m);
    EXPECT_EQ(m.percorso[38], caso.dopo1) << caso.nome;
    EXPECT_EQ(m.percorso[37], caso.dopo2) << caso.nome;
    EXPECT_EQ(m.codice_errore, caso.code) << caso.nome;
    if (caso.code != 0) {
      EXPECT_EQ(m.progressiva_errore, 39 * 50) << caso.nome;
    }
  }
}

TEST(PostProcessingRuleA, EverySignalInTheTwentyCellsBefore) {
  RouteModel m = percorso();
  metti(m, 60, kSlowdownWarning);
  metti(m, 55, kSignal);
  metti(m, 40, kSignal);  // 20 cells before
  metti(m, 38, kSignal);  // 22 cells before: outside
  run_post_processing(m);
  EXPECT_EQ(marche(m), (std::vector<int>{39, 54}));
}

TEST(PostProcessingRuleA, SignalsBelowCellThreeAreNotTreated) {
  RouteModel m = percorso();
  metti(m, 4, kSlowdownWarning);
  metti(m, 3, kSignal);
  run_post_processing(m);
  EXPECT_EQ(marche(m), (std::vector<int>{2}));

  RouteModel n = percorso();
  metti(n, 5, kSlowdownWarning);
  metti(n, 2, kSignal);
  const RouteModel prima = n;
  run_post_processing(n);
  EXPECT_EQ(n.percorso, prima.percorso);
}

TEST(PostProcessingRuleA, MarkOfAnEarlierWarningPointIsSeen) {
  RouteModel m = percorso();
  metti(m, 35, kSignal);
  metti(m, 40, kSlowdownWarning);
  metti(m, 45, kSlowdownWarning);
  run_post_processing(m);
  // The second warning point finds 34 taken and 33 free.
  EXPECT_EQ(marche(m), (std::vector<int>{33, 34}));
}

// ---- rule B: marks before, inside and after a slowdown ----

TEST(PostProcessingRuleB, MarksBeforeTheStartDependOnItsCell) {
  const struct {
    int c;
    std::vector<int> marche;
  } casi[] = {
      {7, {}},
      {8, {3}},
      {13, {8}},
      {14, {3, 9}},
      {20, {9, 15}},
      {21, {3, 10, 16}},
      {138, {120, 127, 133}},
      {139, {}},  // the last two cells are never triggers
  };
  for (const auto& caso : casi) {
    RouteModel m = percorso();
    inizio(m, caso.c, 120);  // fast: no marks inside, and no end cell
    run_post_processing(m);
    EXPECT_EQ(marche(m), caso.marche) << caso.c;
    EXPECT_EQ(m.codice_errore, 0) << caso.c;
  }
}

TEST(PostProcessingRuleB, MarkBeforeTheStartFallsBack) {
  const struct {
    std::vector<int> prese;
    std::vector<int> marche;
    Long codice;
  } casi[] = {
      {{}, {45}, 0},
      {{45}, {44}, 0},
      {{45, 44}, {43}, 0},
      {{45, 44, 43}, {}, kNoRoomBeforeSlowdown},
  };
  for (const auto& caso : casi) {
    RouteModel m = percorso();
    inizio(m, 50, 120);
    for (int c : caso.prese) metti(m, c, kSign);
    run_post_processing(m);
    EXPECT_EQ(marche_tra(m, 43, 45), caso.marche);
    EXPECT_EQ(m.codice_errore, caso.code);
    if (caso.code != 0) {
      EXPECT_EQ(m.progressiva_errore, 2500);
    }
  }
}

TEST(PostProcessingRuleB, ExistingMarkIsNeitherFreeNorMerged) {
  RouteModel m = percorso();
  inizio(m, 50, 120);
  metti(m, 45, kMark, 100);
  run_post_processing(m);
  EXPECT_EQ(m.percorso[45].dato1, 100);
  EXPECT_EQ(m.percorso[44], (cella{.genere = kMark, .dato1 = 180}));
}

TEST(PostProcessingRuleB, SlowSlowdownGetsAMarkEveryEightCells) {
  const struct {
    Integer velocita;
    std::vector<int> marche;
  } casi[] = {{100, {38, 46}}, {109, {38, 46}}, {110, {}}, {150, {}}};
  for (const auto& caso : casi) {
    RouteModel m = percorso();
    inizio(m, 30, caso.velocita);
    metti(m, 50, kSlowdownEnd, caso.velocita);
    metti(m, 46, kMountainMark);  // a mountain mark is free for the walk
    run_post_processing(m);
    EXPECT_EQ(marche_tra(m, 31, 50), caso.marche) << caso.velocita;
    EXPECT_EQ(m.codice_errore, 0);
  }
}

TEST(PostProcessingRuleB, EighthCellTakenFallsBackAndKeepsTheSpacing) {
  const struct {
    const char* nome;
    int fine;
    std::vector<int> prese;
    std::vector<int> marche;
    Long codice;
  } casi[] = {
      {"end on the eighth cell", 38, {}, {37}, 0},
      {"end on the eighth cell, cell before taken", 38, {37}, {39}, 0},
      {"end on the eighth cell, no room", 38, {37, 39}, {}, kNoRoomInSlowdown},
      {"cell before", 70, {38}, {37, 45, 53, 61, 69}, 0},
      {"cell after", 70, {38, 37}, {39, 47, 55, 63}, 0},
      {"no room: no further mark in this slowdown", 70, {38, 37, 39}, {}, kNoRoomInSlowdown},
  };
  for (const auto& caso : casi) {
    RouteModel m = percorso();
    inizio(m, 30, 60);
    metti(m, caso.fine, kSlowdownEnd, 60);
    for (int c : caso.prese) metti(m, c, kSign);
    run_post_processing(m);
    EXPECT_EQ(marche_tra(m, 31, 75), caso.marche) << caso.nome;
    EXPECT_EQ(m.codice_errore, caso.code) << caso.nome;
    if (caso.code != 0) {
      EXPECT_EQ(m.progressiva_errore, 38 * 50) << caso.nome;
    }
  }
}

TEST(PostProcessingRuleB, WalkWithoutEndCellStopsAtTheLastCell) {
  RouteModel m = percorso();  // last cell 140
  inizio(m, 130, 50);
  run_post_processing(m);
  EXPECT_EQ(marche_tra(m, 131, 140), (std::vector<int>{138}));
  EXPECT_EQ(m.codice_errore, 0);

  // The eighth cell is the last one: there is no cell after it to fall back on.
  RouteModel n = percorso();
  inizio(n, 132, 50);
  metti(n, 140, kSign);
  metti(n, 139, kSign);
  run_post_processing(n);
  EXPECT_EQ(marche_tra(n, 133, 140), std::vector<int>{});
  EXPECT_EQ(n.codice_errore, kNoRoomInSlowdown);
  EXPECT_EQ(n.progressiva_errore, 140 * 50);
  EXPECT_EQ(n.percorso.size(), 141u);
}

TEST(PostProcessingRuleB, FirstSignalAfterTheEndGetsAMark) {
  const struct {
    const char* nome;
    int segnale;
    std::vector<int> prese;
    std::vector<int> marche;
    Long codice;
  } casi[] = {
      {"12 cells after the end", 62, {}, {61}, 0},
      {"13 cells after the end", 63, {}, {}, 0},
      {"cell before taken", 55, {54}, {53}, 0},
      {"no room", 55, {54, 53}, {}, kNoRoomInSlowdown},
      {"right after the end: the end cell is taken", 51, {}, {49}, 0},
  };
  for (Integer velocita : {60, 120}) {
    for (const auto& caso : casi) {
      RouteModel m = percorso();
      inizio(m, 45, velocita);
      metti(m, 50, kSlowdownEnd, velocita);
      metti(m, caso.segnale, kSignal);
      for (int c : caso.prese) metti(m, c, kSign);
      run_post_processing(m);
      EXPECT_EQ(marche_tra(m, 46, 70), caso.marche) << caso.nome << " " << velocita;
      EXPECT_EQ(m.codice_errore, caso.code) << caso.nome;
      if (caso.code != 0) {
        EXPECT_EQ(m.progressiva_errore, 50 * 50) << "the position of the slowdown end";
      }
    }
  }
}

TEST(PostProcessingRuleB, FastSlowdownWithoutEndCellLooksForNoSignal) {
  RouteModel m = percorso();
  // An earlier slow slowdown whose walk ends at cell 20; its look-ahead marks 24.
  inizio(m, 10, 50);
  metti(m, 20, kSlowdownEnd, 50);
  metti(m, 25, kSignal);
  // A fast one with no end cell of its own: nothing after it is looked at,
  // in particular not from where the earlier walk stopped.
  inizio(m, 40, 120);
  metti(m, 44, kSignal);
  run_post_processing(m);
  EXPECT_EQ(m.percorso[24].genere, kMark);
  EXPECT_EQ(m.percorso[23].genere, kFree);
  EXPECT_EQ(m.percorso[43].genere, kFree);
  EXPECT_EQ(m.codice_errore, 0);
}

}  // namespace
}  // namespace sb

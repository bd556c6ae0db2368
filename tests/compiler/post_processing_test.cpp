#include "compiler/post_processing.h"

#include <gtest/gtest.h>

#include <vector>

#include "compiler/error_codes.h"

namespace sb {
namespace {

// A route of cells 0 to 140 (line length 0), filled by hand.
RouteModel percorso() {
  RouteModel m;
  m.crea_percorso(0);
  return m;
}

void metti(RouteModel& m, int c, Byte genere, Integer dato1 = 0) {
  m.percorso.at(c).genere = genere;
  m.percorso.at(c).dato1 = dato1;
}

// A slowdown start of speed v at cell c.
void inizio(RouteModel& m, int c, Integer v) {
  metti(m, c, kInizioRallentamento, v);
}

// The cells that hold a mark of value 180, in ascending order.
std::vector<int> marche(const RouteModel& m) {
  std::vector<int> celle;
  for (int c = 0; c <= m.ultima_cella(); ++c) {
    if (m.percorso[c].genere == kAbbattimento && m.percorso[c].dato1 == 180) celle.push_back(c);
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
  metti(m, 10, kSegnale, 22);
  metti(m, 9, kMarcaMontagna);
  metti(m, 30, kAbbattimento, 250);
  metti(m, 31, kIndicatoriVmax, 1800);
  metti(m, 50, kFineRallentamento, 60);
  m.percorso[20].velocita = 19;
  const RouteModel prima = m;
  post_elabora(m);
  EXPECT_EQ(m.percorso, prima.percorso);
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(PostProcessing, EmptyRouteIsLeftAlone) {
  RouteModel m;
  post_elabora(m);
  EXPECT_FALSE(m.ha_percorso());
  EXPECT_EQ(m.codice_errore, 0);
}

TEST(PostProcessing, LaterErrorOverwritesAnEarlierOne) {
  RouteModel m = percorso();
  metti(m, 40, kAvvisoRallentamento);
  metti(m, 39, kSegnale);
  metti(m, 38, kCartello);
  metti(m, 37, kCartello);  // code 11 at 1950
  inizio(m, 60, 120);
  for (int c : {55, 54, 53}) metti(m, c, kCartello);  // code 12 at 3000
  post_elabora(m);
  EXPECT_EQ(m.codice_errore, kMarcaPrimaRallentamento);
  EXPECT_EQ(m.progressiva_errore, 3000);
}

// ---- rule A: signals before a warning point ----

TEST(PostProcessingRuleA, SignalRightBeforeTheWarningPoint) {
  const cella vuota{};
  const cella montagna{.genere = kMarcaMontagna, .montagna = 2, .velocita = 19};
  const cella presa{.genere = kCartello, .dato1 = 3};
  const cella segnale{.genere = kSegnale};
  const auto marca = [](Integer v) { return cella{.genere = kAbbattimento, .dato1 = v}; };
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
       {.genere = kAbbattimento, .dato1 = 180, .montagna = 2, .velocita = 19},
       vuota,
       0},
      {"lower mark stays", marca(100), presa, marca(100), presa, 0},
      {"higher mark is lowered", marca(200), presa, marca(180), presa, 0},
      {"free cell two before wins over merging", marca(200), vuota, marca(200), marca(180), 0},
      {"free cell two before", presa, vuota, presa, marca(180), 0},
      {"mark two before is lowered", presa, marca(250), presa, marca(180), 0},
      {"no room", presa, segnale, presa, segnale, kMarcaSegnaleAvviso},
  };
  for (const auto& caso : casi) {
    RouteModel m = percorso();
    metti(m, 40, kAvvisoRallentamento, 60);
    metti(m, 39, kSegnale);
    m.percorso[38] = caso.prima1;
    m.percorso[37] = caso.prima2;
    post_elabora(m);
    EXPECT_EQ(m.percorso[38], caso.dopo1) << caso.nome;
    EXPECT_EQ(m.percorso[37], caso.dopo2) << caso.nome;
    EXPECT_EQ(m.codice_errore, caso.codice) << caso.nome;
    if (caso.codice != 0) {
      EXPECT_EQ(m.progressiva_errore, 39 * 50) << caso.nome;
    }
  }
}

TEST(PostProcessingRuleA, EverySignalInTheTwentyCellsBefore) {
  RouteModel m = percorso();
  metti(m, 60, kAvvisoRallentamento);
  metti(m, 55, kSegnale);
  metti(m, 40, kSegnale);  // 20 cells before
  metti(m, 38, kSegnale);  // 22 cells before: outside
  post_elabora(m);
  EXPECT_EQ(marche(m), (std::vector<int>{39, 54}));
}

TEST(PostProcessingRuleA, SignalsBelowCellThreeAreNotTreated) {
  RouteModel m = percorso();
  metti(m, 4, kAvvisoRallentamento);
  metti(m, 3, kSegnale);
  post_elabora(m);
  EXPECT_EQ(marche(m), (std::vector<int>{2}));

  RouteModel n = percorso();
  metti(n, 5, kAvvisoRallentamento);
  metti(n, 2, kSegnale);
  const RouteModel prima = n;
  post_elabora(n);
  EXPECT_EQ(n.percorso, prima.percorso);
}

TEST(PostProcessingRuleA, MarkOfAnEarlierWarningPointIsSeen) {
  RouteModel m = percorso();
  metti(m, 35, kSegnale);
  metti(m, 40, kAvvisoRallentamento);
  metti(m, 45, kAvvisoRallentamento);
  post_elabora(m);
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
    post_elabora(m);
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
      {{45, 44, 43}, {}, kMarcaPrimaRallentamento},
  };
  for (const auto& caso : casi) {
    RouteModel m = percorso();
    inizio(m, 50, 120);
    for (int c : caso.prese) metti(m, c, kCartello);
    post_elabora(m);
    EXPECT_EQ(marche_tra(m, 43, 45), caso.marche);
    EXPECT_EQ(m.codice_errore, caso.codice);
    if (caso.codice != 0) {
      EXPECT_EQ(m.progressiva_errore, 2500);
    }
  }
}

TEST(PostProcessingRuleB, ExistingMarkIsNeitherFreeNorMerged) {
  RouteModel m = percorso();
  inizio(m, 50, 120);
  metti(m, 45, kAbbattimento, 100);
  post_elabora(m);
  EXPECT_EQ(m.percorso[45].dato1, 100);
  EXPECT_EQ(m.percorso[44], (cella{.genere = kAbbattimento, .dato1 = 180}));
}

TEST(PostProcessingRuleB, SlowSlowdownGetsAMarkEveryEightCells) {
  const struct {
    Integer velocita;
    std::vector<int> marche;
  } casi[] = {{100, {38, 46}}, {109, {38, 46}}, {110, {}}, {150, {}}};
  for (const auto& caso : casi) {
    RouteModel m = percorso();
    inizio(m, 30, caso.velocita);
    metti(m, 50, kFineRallentamento, caso.velocita);
    metti(m, 46, kMarcaMontagna);  // a mountain mark is free for the walk
    post_elabora(m);
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
      {"end on the eighth cell, no room", 38, {37, 39}, {}, kMarcaNelRallentamento},
      {"cell before", 70, {38}, {37, 45, 53, 61, 69}, 0},
      {"cell after", 70, {38, 37}, {39, 47, 55, 63}, 0},
      {"no room: no further mark in this slowdown", 70, {38, 37, 39}, {}, kMarcaNelRallentamento},
  };
  for (const auto& caso : casi) {
    RouteModel m = percorso();
    inizio(m, 30, 60);
    metti(m, caso.fine, kFineRallentamento, 60);
    for (int c : caso.prese) metti(m, c, kCartello);
    post_elabora(m);
    EXPECT_EQ(marche_tra(m, 31, 75), caso.marche) << caso.nome;
    EXPECT_EQ(m.codice_errore, caso.codice) << caso.nome;
    if (caso.codice != 0) {
      EXPECT_EQ(m.progressiva_errore, 38 * 50) << caso.nome;
    }
  }
}

TEST(PostProcessingRuleB, WalkWithoutEndCellStopsAtTheLastCell) {
  RouteModel m = percorso();  // last cell 140
  inizio(m, 130, 50);
  post_elabora(m);
  EXPECT_EQ(marche_tra(m, 131, 140), (std::vector<int>{138}));
  EXPECT_EQ(m.codice_errore, 0);

  // The eighth cell is the last one: there is no cell after it to fall back on.
  RouteModel n = percorso();
  inizio(n, 132, 50);
  metti(n, 140, kCartello);
  metti(n, 139, kCartello);
  post_elabora(n);
  EXPECT_EQ(marche_tra(n, 133, 140), std::vector<int>{});
  EXPECT_EQ(n.codice_errore, kMarcaNelRallentamento);
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
      {"no room", 55, {54, 53}, {}, kMarcaNelRallentamento},
      {"right after the end: the end cell is taken", 51, {}, {49}, 0},
  };
  for (Integer velocita : {60, 120}) {
    for (const auto& caso : casi) {
      RouteModel m = percorso();
      inizio(m, 45, velocita);
      metti(m, 50, kFineRallentamento, velocita);
      metti(m, caso.segnale, kSegnale);
      for (int c : caso.prese) metti(m, c, kCartello);
      post_elabora(m);
      EXPECT_EQ(marche_tra(m, 46, 70), caso.marche) << caso.nome << " " << velocita;
      EXPECT_EQ(m.codice_errore, caso.codice) << caso.nome;
      if (caso.codice != 0) {
        EXPECT_EQ(m.progressiva_errore, 50 * 50) << "the position of the slowdown end";
      }
    }
  }
}

TEST(PostProcessingRuleB, FastSlowdownWithoutEndCellLooksForNoSignal) {
  RouteModel m = percorso();
  // An earlier slow slowdown whose walk ends at cell 20; its look-ahead marks 24.
  inizio(m, 10, 50);
  metti(m, 20, kFineRallentamento, 50);
  metti(m, 25, kSegnale);
  // A fast one with no end cell of its own: nothing after it is looked at,
  // in particular not from where the earlier walk stopped.
  inizio(m, 40, 120);
  metti(m, 44, kSegnale);
  post_elabora(m);
  EXPECT_EQ(m.percorso[24].genere, kAbbattimento);
  EXPECT_EQ(m.percorso[23].genere, kLibera);
  EXPECT_EQ(m.percorso[43].genere, kLibera);
  EXPECT_EQ(m.codice_errore, 0);
}

}  // namespace
}  // namespace sb

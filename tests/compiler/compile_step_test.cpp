#include "compiler/compile_step.h"

#include <gtest/gtest.h>

#include "compiler/check_codes.h"
#include "sources/line_source.h"
#include "sources/train_source.h"
#include "support/memory_sources.h"

namespace sb {
namespace {

using testing::MemorySources;

struct Compilato {
  std::unique_ptr<RouteModel> m = std::make_unique<RouteModel>();
  MemorySources sorgenti;
  CompileOutcome esito{};
};

Compilato compila(const std::string& linea, const std::string& treno, Long j = 1) {
  Compilato c;
  c.m->scenario = "BORGOLUCE";
  c.m->treno = "5127";
  c.sorgenti = MemorySources(linea, treno);
  c.esito = memorizza_percorso(*c.m, c.sorgenti, j);
  return c;
}

TEST(CompileStep, TheBuiltInScenarioCompilesWithoutAnyCode) {
  const Compilato c = compila(document_text(dati_linea()), document_text(dati_treno()));
  const RouteModel& m = *c.m;
  ASSERT_EQ(c.esito, CompileOutcome::kComplete);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_FALSE(c.sorgenti.linea);
  EXPECT_FALSE(c.sorgenti.treno);
  EXPECT_EQ(m.last_cell(), 3380);
  // Reserved values and check codes.
  EXPECT_EQ(m.percorso[1].dato1, 5121);
  EXPECT_EQ(m.percorso[1].dato2, 2401);
  EXPECT_EQ(m.oggetti[85].parametro1, 610);
  EXPECT_EQ(m.oggetti[85].valore_d, 33306);
  // The line's and the train's values.
  EXPECT_EQ(m.oggetti[84].valore_b, 162000);
  EXPECT_EQ(m.oggetti[84].valore_a, 120);
  EXPECT_EQ(m.oggetti[84].valore_c, 5);
  EXPECT_EQ(m.oggetti[85].valore_a, 1);
  EXPECT_EQ(m.oggetti[85].valore_c, 29000);
  EXPECT_EQ(m.oggetti[85].valore_b, 90000);
  EXPECT_EQ(m.oggetti[86].valore_a, 1000);
  EXPECT_EQ(m.oggetti[86].valore_b, 27000);
  EXPECT_EQ(m.oggetti[86].valore_c, 4);
  EXPECT_EQ(m.oggetti[86].parametro1, 300);
  EXPECT_EQ(m.oggetti[86].parametro4, 33);
  // Forty stations from item 1, sign texts from item 80 down.
  EXPECT_EQ(m.oggetti[1].testo, "BORGOLUCE");
  EXPECT_EQ(m.oggetti[40].testo, "CASTELROSSINO");
  EXPECT_EQ(m.oggetti[40].valore_c, 162000);
  EXPECT_EQ(m.oggetti[41].genere, 0);
  EXPECT_EQ(m.oggetti[80].testo, "(P.L.      )(AUTOMATICO)");
  EXPECT_EQ(m.oggetti[57].testo.empty(), false);
  EXPECT_EQ(m.oggetti[56].testo, "");
  EXPECT_EQ(m.percorso[13].genere, kStationEnd);
  EXPECT_EQ(m.percorso[3242].genere, kStationEnd);
  EXPECT_EQ(m.percorso[65].genere, kSignal);
  EXPECT_EQ(m.percorso[556].genere, kSign);
  // No slowdown in the built-in train: the pass places nothing.
  for (const cella& z : m.percorso) EXPECT_NE(z.genere, kMark);
}

TEST(CompileStep, GuardsOnTheReservedSlots) {
  const std::string linea = "[generale]\nlunghezza percorso, 5000\n[x]\n[fine]\n";
  EXPECT_EQ(compila(linea, "[generale]\nsegnale, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0\n").esito,
            CompileOutcome::kReservedSlotGuard);
  EXPECT_EQ(compila(linea, "[generale]\nsegnale, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0\n").esito,
            CompileOutcome::kCheckCodeGuard);
  const Compilato ok = compila(linea, "[generale]\nsegnale, 100, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0\n");
  EXPECT_EQ(ok.esito, CompileOutcome::kComplete);
}

TEST(CompileStep, NoLineLengthMeansNoCells) {
  const Compilato c = compila("[generale]\n[x]\n[fine]\n", "[generale]\n[fine]\n");
  EXPECT_EQ(c.esito, CompileOutcome::kNoCells);
  EXPECT_EQ(c.m->codice_errore, 25);
  EXPECT_EQ(compila("", "").esito, CompileOutcome::kNoCells);
}

TEST(CompileStep, ALeftoverModelIsClearedAndTheErrorPositionKept) {
  Compilato c =
      compila("[generale]\nlunghezza percorso, 5000\n[x]\ncartello_indicatore, 900, (A)\n[fine]\n",
              "[generale]\n[fine]\n");
  c.m->progressiva_errore = 777;
  c.sorgenti = MemorySources("[generale]\nlunghezza percorso, 1000\n[x]\n[fine]\n", "[generale]\n");
  EXPECT_EQ(memorizza_percorso(*c.m, c.sorgenti, 0), CompileOutcome::kComplete);
  EXPECT_EQ(c.m->oggetti[80].testo, "");
  EXPECT_EQ(c.m->last_cell(), 160);
  EXPECT_FALSE(c.m->tracciato.allocated());
  EXPECT_EQ(c.m->progressiva_errore, 777);
}

}  // namespace
}  // namespace sb

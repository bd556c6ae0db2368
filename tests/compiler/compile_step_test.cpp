#include "compiler/compile_step.h"

#include <gtest/gtest.h>

#include "compiler/check_codes.h"
#include "compiler/error_codes.h"
#include "sources/line_source.h"
#include "sources/train_source.h"
#include "support/memory_sources.h"

namespace sb {
namespace {

using testing::MemorySources;

struct Compiled {
  std::unique_ptr<RouteModel> m = std::make_unique<RouteModel>();
  MemorySources sources;
  CompileOutcome outcome{};
};

Compiled compile(const std::string& line, const std::string& train,
                 TrackPlanOutput j = TrackPlanOutput::kWrite) {
  Compiled c;
  c.m->scenario = "BORGOLUCE";
  c.m->treno = "5127";
  c.sources = MemorySources(line, train);
  c.outcome = memorizza_percorso(*c.m, c.sources, j);
  return c;
}

TEST(CompileStep, TheBuiltInScenarioCompilesWithoutAnyCode) {
  const Compiled c = compile(document_text(dati_linea()), document_text(dati_treno()));
  const RouteModel& m = *c.m;
  ASSERT_EQ(c.outcome.kind, CompileOutcome::Kind::kComplete);
  EXPECT_EQ(m.codice_errore, 0);
  EXPECT_FALSE(c.sources.line);
  EXPECT_FALSE(c.sources.train);
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
  const std::string line = "[generale]\nlunghezza percorso, 5000\n[x]\n[fine]\n";
  const Compiled reserved = compile(line, "[generale]\nsegnale, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0\n");
  EXPECT_EQ(reserved.outcome.kind, CompileOutcome::Kind::kFatal);
  EXPECT_EQ(reserved.outcome.fatal_code, kReservedSlotSet);
  const Compiled check_code =
      compile(line, "[generale]\nsegnale, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0\n");
  EXPECT_EQ(check_code.outcome.kind, CompileOutcome::Kind::kFatal);
  EXPECT_EQ(check_code.outcome.fatal_code, kCheckCodeSlotSet);
  const Compiled ok = compile(line, "[generale]\nsegnale, 100, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0\n");
  EXPECT_EQ(ok.outcome.kind, CompileOutcome::Kind::kComplete);
}

TEST(CompileStep, NoLineLengthMeansNoCells) {
  const Compiled c = compile("[generale]\n[x]\n[fine]\n", "[generale]\n[fine]\n");
  EXPECT_EQ(c.outcome.kind, CompileOutcome::Kind::kNoCells);
  EXPECT_EQ(c.m->codice_errore, 25);
  EXPECT_EQ(compile("", "").outcome.kind, CompileOutcome::Kind::kNoCells);
}

TEST(CompileStep, ALeftoverModelIsClearedAndTheErrorPositionKept) {
  Compiled c =
      compile("[generale]\nlunghezza percorso, 5000\n[x]\ncartello_indicatore, 900, (A)\n[fine]\n",
              "[generale]\n[fine]\n");
  c.m->progressiva_errore = 777;
  c.sources = MemorySources("[generale]\nlunghezza percorso, 1000\n[x]\n[fine]\n", "[generale]\n");
  EXPECT_EQ(memorizza_percorso(*c.m, c.sources, TrackPlanOutput::kOmit).kind,
            CompileOutcome::Kind::kComplete);
  EXPECT_EQ(c.m->oggetti[80].testo, "");
  EXPECT_EQ(c.m->last_cell(), 160);
  EXPECT_FALSE(c.m->tracciato.allocated());
  EXPECT_EQ(c.m->progressiva_errore, 777);
}

}  // namespace
}  // namespace sb

#include "bench/scenario_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "compiler/compile_step.h"
#include "support/memory_sources.h"

namespace sb {
namespace {

using testing::MemorySources;

struct Conteggi {
  int segnali = 0, indicatori = 0, cartelli = 0, stazioni = 0, rallentamenti = 0, marche = 0;
};

Conteggi conta(const RouteModel& m) {
  Conteggi n;
  for (const cella& z : m.percorso) {
    n.signals += z.genere == kSignal;
    n.indicatori += z.genere == kSpeedBoards;
    n.cartelli += z.genere == kSign;
    n.stazioni += z.genere == kStationEnd;
    n.slowdowns += z.genere == kSlowdownStart;
    n.marche += z.genere == kMark && z.dato1 == 180;
  }
  return n;
}

class GeneratedScenario : public ::testing::TestWithParam<Long> {};

// The benchmarks time only what the compiler accepts whole: no code, no
// warning, no complaint of the post-processing, however long the line.
TEST_P(GeneratedScenario, CompilesWithoutAnyCodeOrWarning) {
  const Long lunghezza = GetParam();
  const SorgentiGenerate s = genera_sorgenti(lunghezza);
  auto m = std::make_unique<RouteModel>();
  m->scenario = "GEN";
  m->treno = "9000";
  MemorySources sorgenti(s.linea, s.treno);
  CompileReport r;
  ASSERT_EQ(memorizza_percorso(*m, sorgenti, 1, &r), CompileOutcome::kComplete);
  EXPECT_EQ(m->codice_errore, 0) << "at " << m->progressiva_errore << " m";
  EXPECT_TRUE(r.reading.warnings.empty()) << r.reading.warnings.front().testo;
  EXPECT_TRUE(r.pass.empty()) << "code " << r.pass.front().code;
  EXPECT_EQ(m->oggetti[84].valore_b, lunghezza);

  // Dense where the item table lets it be: about a signal and a pair of
  // boards per kilometre, a slowdown every ten, each with the marks of the
  // post-processing before and inside it.
  const Conteggi n = conta(*m);
  const int km = lunghezza / 1000;
  EXPECT_GE(n.signals, 9 * km / 10);
  EXPECT_GE(n.indicatori, 9 * km / 10);
  EXPECT_GE(n.slowdowns, km / 10 - 1);
  EXPECT_GE(n.marche, 4 * n.slowdowns);
  EXPECT_GE(n.stazioni, std::min(km / 6, 48));
  EXPECT_GE(n.cartelli, std::min(km / 5, 30));
  EXPECT_LE(n.stazioni + n.cartelli, 78);
}

INSTANTIATE_TEST_SUITE_P(Lengths, GeneratedScenario,
                         ::testing::Values(kLunghezzaMinimaGenerata, 100000, 162500, 500000,
                                           kMaxLineLength));

TEST(ScenarioGenerator, RefusesLengthsItCannotLayOut) {
  EXPECT_THROW(genera_sorgenti(kLunghezzaMinimaGenerata - 1), std::invalid_argument);
  EXPECT_THROW(genera_sorgenti(kMaxLineLength + 1), std::invalid_argument);
}

}  // namespace
}  // namespace sb

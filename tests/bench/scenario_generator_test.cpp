#include "bench/scenario_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <stdexcept>

#include "compiler/compile_step.h"
#include "compiler/error_codes.h"
#include "support/memory_sources.h"
#include "tools/analysis.h"

namespace sb {
namespace {

using testing::MemorySources;

struct Counts {
  int signals = 0, boards = 0, signs = 0, stations = 0, slowdowns = 0, marks = 0;
};

Counts count_kinds(const RouteModel& m) {
  Counts n;
  for (const cella& z : m.percorso) {
    n.signals += z.genere == kSignal;
    n.boards += z.genere == kSpeedBoards;
    n.signs += z.genere == kSign;
    n.stations += z.genere == kStationEnd;
    n.slowdowns += z.genere == kSlowdownStart;
    n.marks += z.genere == kMark && z.dato1 == 180;
  }
  return n;
}

class GeneratedScenario : public ::testing::TestWithParam<Long> {};

// The benchmarks time only what the compiler accepts whole: no code, no
// warning, no complaint of the post-processing, however long the line.
TEST_P(GeneratedScenario, CompilesWithoutAnyCodeOrWarning) {
  const Long length = GetParam();
  const GeneratedSources s = generate_sources(length);
  auto m = std::make_unique<RouteModel>();
  m->scenario = "GEN";
  m->treno = "9000";
  MemorySources sources(s.line, s.train);
  CompileReport r;
  ASSERT_EQ(memorizza_percorso(*m, sources, TrackPlanOutput::kWrite, &r).kind,
            CompileOutcome::Kind::kComplete);
  EXPECT_EQ(m->codice_errore, 0) << "at " << m->progressiva_errore << " m";
  EXPECT_TRUE(r.reading.warnings.empty()) << r.reading.warnings.front().text;
  EXPECT_TRUE(r.pass.empty()) << "code " << r.pass.front().code;
  EXPECT_EQ(m->oggetti[84].valore_b, length);

  // Dense where the item table lets it be: about a signal and a pair of
  // boards per kilometre, a slowdown every ten, each with the marks of the
  // post-processing before and inside it.
  const Counts n = count_kinds(*m);
  const int km = length / 1000;
  EXPECT_GE(n.signals, 9 * km / 10);
  EXPECT_GE(n.boards, 9 * km / 10);
  EXPECT_GE(n.slowdowns, km / 10 - 1);
  EXPECT_GE(n.marks, 4 * n.slowdowns);
  EXPECT_GE(n.stations, std::min(km / 6, 48));
  EXPECT_GE(n.signs, std::min(km / 5, 30));
  EXPECT_LE(n.stations + n.signs, 78);
}

INSTANTIATE_TEST_SUITE_P(Lengths, GeneratedScenario,
                         ::testing::Values(kShortestGeneratedLine, 100000, 162500, 500000,
                                           kMaxLineLength));

TEST(ScenarioGenerator, RefusesLengthsItCannotLayOut) {
  EXPECT_THROW(generate_sources(kShortestGeneratedLine - 1), std::invalid_argument);
  EXPECT_THROW(generate_sources(kMaxLineLength + 1), std::invalid_argument);
}

}  // namespace

// The scattered mistakes of the benchmark of `check`: each is found, at its
// own row, and none brings another with it.
TEST(ScenarioGenerator, ScatteredErrorsAreFoundEachAtItsOwnRow) {
  const GeneratedSources s = with_scattered_errors(generate_sources(100000), 20);
  const ScenarioSources sources{"GEN100", "9000", "L", "T", &s.line, &s.train};
  const Analysis a = analyse(sources, TrackPlanOutput::kWrite, {}, AnalysisDepth::kCheck);
  std::set<std::pair<std::string, int>> rows;
  int boards = 0, signals = 0;
  for (const Diagnostic& d : a.diagnostics) {
    EXPECT_TRUE(d.is_error) << d.message;
    rows.insert({d.file, d.line});
    boards += d.code == kReadFailure;
    signals += d.code == kSignalCellTaken;
  }
  EXPECT_EQ(a.diagnostics.size(), 20u);
  EXPECT_EQ(rows.size(), 20u);
  EXPECT_EQ(boards, 10);
  EXPECT_EQ(signals, 10);
}

}  // namespace sb

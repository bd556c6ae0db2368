// The decompiler and its round trip: compiled files back to sources that
// compile to the same bytes, for the built-in scenario, the generated long
// ones, randomised valid scenarios and sources of odd shape; the choices
// among equivalent sources; damaged and hostile files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "bench/random_scenario.h"
#include "bench/scenario_generator.h"
#include "compiler/compile_step.h"
#include "compiler/compiled_files.h"
#include "compiler/memory_sources.h"
#include "sources/file_names.h"
#include "sources/line_source.h"
#include "sources/train_source.h"
#include "tools/round_trip.h"

namespace sb {
namespace {

struct Compiled {
  std::string route;
  std::string items;
  std::optional<std::string> track_plan;
  Long code = 0;

  CompiledBytes bytes() const {
    CompiledBytes b{route, items, std::nullopt};
    if (track_plan) b.track_plan = *track_plan;
    return b;
  }
};

Compiled compile(const std::string& line, const std::string& train,
                 const std::string& scenario = kBuiltinScenario,
                 const std::string& treno = kBuiltinTrain, bool track_plan = true) {
  RouteModel m;
  m.scenario = scenario;
  m.treno = treno;
  InMemorySources sources(&line, &train);
  const CompileOutcome o =
      memorizza_percorso(m, sources, track_plan ? TrackPlanOutput::kWrite : TrackPlanOutput::kOmit);
  EXPECT_TRUE(o.complete());
  Compiled c;
  c.route = serialize_route(m.percorso);
  c.items = serialize_items(m.oggetti);
  if (track_plan) c.track_plan = serialize_track_plan(m.tracciato);
  c.code = m.codice_errore;
  return c;
}

Compiled builtin() {
  return compile(document_text(dati_linea()), document_text(dati_treno()));
}

RoundTrip checked(const Compiled& c) {
  RoundTrip t;
  RefusedFile refused;
  EXPECT_TRUE(round_trip(c.bytes(), &t, &refused)) << refused.error.reason;
  return t;
}

std::string report(const RoundTrip& t) {
  std::string s;
  for (const Difference& d : t.differences) s += d.text + "\n";
  for (const std::string& r : t.records) s += r + "\n";
  for (const RecordedCode& c : t.codes)
    s += "code " + std::to_string(c.code) + " " + c.message + "\n";
  for (const PassCode& c : t.pass_codes) s += "pass code " + std::to_string(c.code) + "\n";
  return s;
}

TEST(Decompile, BuiltinScenarioRoundTripsByteForByte) {
  const RoundTrip t = checked(builtin());
  EXPECT_TRUE(t.same()) << report(t);
  EXPECT_EQ(t.sources.scenario, kBuiltinScenario);
  EXPECT_EQ(t.sources.treno, kBuiltinTrain);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

// The built-in sources come back as they are written, but for what the
// compiled files cannot hold: a position within a cell, a field that the
// first station has cleared, a time of a signal whose sx is not 2.
TEST(Decompile, BuiltinSourcesComeBackAsWrittenButForWhatIsNotStored) {
  const RoundTrip t = checked(builtin());
  const std::vector<std::string> line = lines_of(t.sources.line.text());
  const std::vector<std::string> train = lines_of(t.sources.train.text());
  std::vector<std::string> want_line = lines_of(document_text(dati_linea()));
  std::vector<std::string> want_train = lines_of(document_text(dati_treno()));
  ASSERT_EQ(want_line[154], "indicatori_vmax,  5175,  90,  95,  100,  0,  ,  ,  ,  0");
  want_line[154] = "indicatori_vmax,  5150,  90,  95,  100,  0,  ,  ,  ,  0";
  ASSERT_EQ(want_train[12], "velocita,    5175,    95");
  want_train[12] = "velocita,    5200,    95";
  ASSERT_EQ(want_train[28].substr(0, 34), "stazione,       0,  7,  700,  0, 1");
  want_train[28][33] = '0';
  ASSERT_EQ(want_train[95], "segnale,   57700,   1, 3, 1,  0, 0,    0,  0,0,0, 255");
  want_train[95] = "segnale,   57700,   1, 3, 1,  0, 0,    0,  0,0,0, 0";
  EXPECT_EQ(line, want_line);
  EXPECT_EQ(train, want_train);
}

// The generated long lines carry slowdowns with their marks, abbattimento
// points, stations, signs and spans of every kind, and a curve every few
// hundred metres.
TEST(Decompile, GeneratedScenariosRoundTripByteForByte) {
  for (const Long length : {100000, 500000, 1000000}) {
    const GeneratedSources g = generate_sources(length);
    const Compiled c = compile(g.line, g.train, "GEN", "9000");
    ASSERT_EQ(c.code, 0);
    const RoundTrip t = checked(c);
    EXPECT_TRUE(t.same()) << length << "\n" << report(t);
  }
}

// How many random scenarios the property is held on: a modest number here,
// more in CI (SCENARIO_BUILDER_ROUND_TRIPS).
std::uint64_t random_count() {
  const char* v = std::getenv("SCENARIO_BUILDER_ROUND_TRIPS");
  return v != nullptr ? std::strtoull(v, nullptr, 10) : 100;
}

// Every random valid scenario comes back byte for byte, and decompiling the
// compile of its decompiled sources gives the same sources again.
TEST(Decompile, RandomValidScenariosRoundTripAndReachAFixedPoint) {
  const std::uint64_t count = random_count();
  for (std::uint64_t seed = 1; seed <= count; ++seed) {
    const GeneratedSources g = random_scenario(seed);
    const Compiled c = compile(g.line, g.train, "RND", std::to_string(seed));
    ASSERT_EQ(c.code, 0) << "seed " << seed << " is not valid\n" << g.line << g.train;
    const RoundTrip t = checked(c);
    ASSERT_TRUE(t.same()) << "seed " << seed << "\n"
                          << report(t) << t.sources.line.text() << t.sources.train.text();
    const Compiled again =
        compile(t.sources.line.text(), t.sources.train.text(), "RND", std::to_string(seed));
    const RoundTrip second = checked(again);
    EXPECT_EQ(second.sources.line.text(), t.sources.line.text()) << "seed " << seed;
    EXPECT_EQ(second.sources.train.text(), t.sources.train.text()) << "seed " << seed;
  }
}

}  // namespace
}  // namespace sb

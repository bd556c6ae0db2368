// The compile step from source text in memory to compiled bytes in memory:
// memorizza_percorso and the three serialisers, for the built-in scenario and
// for generated lines of 100, 500 and 1000 km.
//
//   compile_benchmark [benchmark options]  runs the benchmarks
//   compile_benchmark --write DIR LENGTH   writes the sources of a generated
//                                          line of LENGTH metres into DIR
//   compile_benchmark --write DIR LENGTH ERRORS
//                                          the same with ERRORS mistakes
//                                          scattered over them
//
// Every scenario is compiled once before it is timed; one that the compiler
// refuses, or accepts only with a code or a warning, ends the program with a
// failure instead of timing a half-read model.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bench/scenario_generator.h"
#include "compiler/compile_step.h"
#include "compiler/compiled_files.h"
#include "compiler/memory_sources.h"
#include "platform/file_system.h"
#include "sources/file_names.h"
#include "sources/line_source.h"
#include "sources/righe.h"
#include "sources/train_source.h"

namespace sb {
namespace {

struct Scenario {
  std::string name;
  std::string scenario;  // the identifier
  std::string treno;     // the train number
  std::string line_source;
  std::string train_source;
};

Scenario builtin() {
  return {"built-in", kBuiltinScenario, kBuiltinTrain, document_text(dati_linea()),
          document_text(dati_treno())};
}

Scenario generated(Long length) {
  GeneratedSources s = generate_sources(length);
  return {std::to_string(length / 1000) + "km", generated_scenario_name(length), kGeneratedTrain,
          std::move(s.line), std::move(s.train)};
}

std::unique_ptr<RouteModel> compile(const Scenario& sc, CompileReport* report,
                                    CompileOutcome* outcome) {
  auto m = std::make_unique<RouteModel>();
  m->scenario = sc.scenario;
  m->treno = sc.treno;
  InMemorySources sources(&sc.line_source, &sc.train_source);
  *outcome = memorizza_percorso(*m, sources, TrackPlanOutput::kWrite, report);
  return m;
}

[[noreturn]] void fail(const std::string& text) {
  std::fprintf(stderr, "compile_benchmark: %s\n", text.c_str());
  std::exit(EXIT_FAILURE);
}

// The scenario must compile completely, without a code and without a
// warning of the reader or the post-processing.
void check(const Scenario& sc) {
  CompileReport r;
  CompileOutcome outcome{};
  const auto m = compile(sc, &r, &outcome);
  if (!outcome.complete() || m->codice_errore != 0) {
    fail(sc.name + ": the compiler records code " + std::to_string(m->codice_errore) + " at " +
         std::to_string(m->progressiva_errore) + " m");
  }
  if (!r.reading.warnings.empty())
    fail(sc.name + ": the reader warns: " + r.reading.warnings.front().text);
  if (!r.pass.empty())
    fail(sc.name + ": the post-processing records code " + std::to_string(r.pass.front().code));
}

// The compiled files as the program produces them: the item file whole, the
// track plan and the route in pieces, which are counted and dropped where the
// file system would write them.
struct Compiled {
  std::string items;
  std::size_t bytes = 0;
};

Compiled serialise_all(const RouteModel& m) {
  Compiled c;
  const auto count = [&](std::uint64_t, std::string_view piece) {
    benchmark::DoNotOptimize(piece.data());
    c.bytes += piece.size();
  };
  serialize_track_plan(m.tracciato, count);
  c.items = serialize_items(m.oggetti);
  c.bytes += c.items.size();
  serialize_route(m.percorso, count);
  return c;
}

// Sources to compiled bytes, as the one-shot run does between reading the
// sources and writing the files.
void compile_step_and_serialise(benchmark::State& state, const Scenario& sc) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    CompileOutcome outcome{};
    const auto m = compile(sc, nullptr, &outcome);
    if (!outcome.complete()) fail(sc.name + ": not compiled");
    const Compiled c = serialise_all(*m);
    bytes = c.bytes;
    benchmark::DoNotOptimize(c.items.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.counters["output_bytes"] = static_cast<double>(bytes);
  state.counters["source_bytes"] =
      static_cast<double>(sc.line_source.size() + sc.train_source.size());
}

// memorizza_percorso alone: reading, post-processing, check codes.
void compile_step(benchmark::State& state, const Scenario& sc) {
  for (auto _ : state) {
    CompileOutcome outcome{};
    const auto m = compile(sc, nullptr, &outcome);
    benchmark::DoNotOptimize(m->percorso.data());
  }
}

// The three serialisers alone, on a compiled model.
void serialise(benchmark::State& state, const Scenario& sc) {
  CompileOutcome outcome{};
  const auto m = compile(sc, nullptr, &outcome);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const Compiled c = serialise_all(*m);
    bytes = c.bytes;
    benchmark::DoNotOptimize(c.items.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

int write_sources(const std::string& directory, const std::string& length, int errors) {
  try {
    std::size_t used = 0;
    const long long metres = std::stoll(length, &used);
    if (used != length.size() || metres < 0 || metres > kMaxLineLength)
      throw std::invalid_argument("not a length from 0 to " + std::to_string(kMaxLineLength));
    Scenario sc = generated(static_cast<Long>(metres));
    check(sc);
    if (errors > 0) {
      GeneratedSources s = with_scattered_errors({sc.line_source, sc.train_source}, errors);
      sc.line_source = std::move(s.line);
      sc.train_source = std::move(s.train);
    }
    DiskFileSystem files;
    const FileNames names{sc.scenario, sc.treno};
    const std::string line = directory + "/" + names.line_source();
    const std::string train = directory + "/" + names.train_source();
    files.write(line, sc.line_source);
    files.write(train, sc.train_source);
    std::printf("%s\n%s\n", line.c_str(), train.c_str());
  } catch (const std::exception& e) {
    fail(std::string("--write ") + directory + " " + length + ": " + e.what());
  }
  return EXIT_SUCCESS;
}

}  // namespace
}  // namespace sb

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "--write") {
    if (argc != 4 && argc != 5) {
      std::fprintf(stderr, "usage: compile_benchmark --write DIR LENGTH [ERRORS]\n");
      return 2;
    }
    return sb::write_sources(argv[2], argv[3], argc == 5 ? std::atoi(argv[4]) : 0);
  }

  std::vector<sb::Scenario> scenarios;
  scenarios.push_back(sb::builtin());
  for (const sb::Long metres : {100000, 500000, 1000000})
    scenarios.push_back(sb::generated(metres));
  for (const sb::Scenario& sc : scenarios) {
    sb::check(sc);
    benchmark::RegisterBenchmark(("compile_and_serialise/" + sc.name).c_str(),
                                 sb::compile_step_and_serialise, sc)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("compile_step/" + sc.name).c_str(), sb::compile_step, sc)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("serialise/" + sc.name).c_str(), sb::serialise, sc)
        ->Unit(benchmark::kMillisecond);
  }

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

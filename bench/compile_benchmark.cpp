// The compile step from source text in memory to compiled bytes in memory:
// memorizza_percorso and the three serialisers, for the built-in scenario and
// for generated lines of 100, 500 and 1000 km.
//
//   compile_benchmark [benchmark options]  runs the benchmarks
//   compile_benchmark --write DIR LENGTH   writes the sources of a generated
//                                          line of LENGTH metres into DIR
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
#include "sources/line_source.h"
#include "sources/righe.h"
#include "sources/train_source.h"

namespace sb {
namespace {

constexpr char kTrenoGenerato[] = "9000";

struct Scenario {
  std::string nome;
  std::string scenario;  // the identifier
  std::string treno;     // the train number
  std::string linea_sorgente;
  std::string treno_sorgente;
};

Scenario incorporato() {
  return {"built-in", "BORGOLUCE", "5127", document_text(dati_linea()),
          document_text(dati_treno())};
}

Scenario generato(Long lunghezza) {
  SorgentiGenerate s = genera_sorgenti(lunghezza);
  return {std::to_string(lunghezza / 1000) + "km", "GEN" + std::to_string(lunghezza / 1000),
          kTrenoGenerato, std::move(s.linea), std::move(s.treno)};
}

std::unique_ptr<RouteModel> compila(const Scenario& sc, CompileReport* resoconto,
                                    CompileOutcome* esito) {
  auto m = std::make_unique<RouteModel>();
  m->scenario = sc.scenario;
  m->treno = sc.treno;
  InMemorySources sorgenti(&sc.linea_sorgente, &sc.treno_sorgente);
  *esito = memorizza_percorso(*m, sorgenti, 1, resoconto);
  return m;
}

[[noreturn]] void fallisce(const std::string& testo) {
  std::fprintf(stderr, "compile_benchmark: %s\n", testo.c_str());
  std::exit(EXIT_FAILURE);
}

// The scenario must compile completely, without a code and without a
// warning of the reader or the post-processing.
void verifica(const Scenario& sc) {
  CompileReport r;
  CompileOutcome esito{};
  const auto m = compila(sc, &r, &esito);
  if (esito != CompileOutcome::kComplete || m->codice_errore != 0) {
    fallisce(sc.nome + ": the compiler records code " + std::to_string(m->codice_errore) + " at " +
             std::to_string(m->progressiva_errore) + " m");
  }
  if (!r.reading.warnings.empty())
    fallisce(sc.nome + ": the reader warns: " + r.reading.warnings.front().testo);
  if (!r.pass.empty())
    fallisce(sc.nome + ": the post-processing records code " +
             std::to_string(r.pass.front().code));
}

// The compiled files as the program produces them: the item file whole, the
// track plan and the route in pieces, which are counted and dropped where the
// file system would write them.
struct Compilati {
  std::string oggetti;
  std::size_t byte = 0;
};

Compilati serializza(const RouteModel& m) {
  Compilati c;
  const auto conta = [&](std::uint64_t, std::string_view pezzo) {
    benchmark::DoNotOptimize(pezzo.data());
    c.byte += pezzo.size();
  };
  serialize_track_plan(m.tracciato, conta);
  c.oggetti = serialize_items(m.oggetti);
  c.byte += c.oggetti.size();
  serialize_route(m.percorso, conta);
  return c;
}

// Sources to compiled bytes, as the one-shot run does between reading the
// sources and writing the files.
void compile_step_and_serialise(benchmark::State& state, const Scenario& sc) {
  std::size_t byte = 0;
  for (auto _ : state) {
    CompileOutcome esito{};
    const auto m = compila(sc, nullptr, &esito);
    if (esito != CompileOutcome::kComplete) fallisce(sc.nome + ": not compiled");
    const Compilati c = serializza(*m);
    byte = c.byte;
    benchmark::DoNotOptimize(c.oggetti.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * byte));
  state.counters["output_bytes"] = static_cast<double>(byte);
  state.counters["source_bytes"] =
      static_cast<double>(sc.linea_sorgente.size() + sc.treno_sorgente.size());
}

// memorizza_percorso alone: reading, post-processing, check codes.
void compile_step(benchmark::State& state, const Scenario& sc) {
  for (auto _ : state) {
    CompileOutcome esito{};
    const auto m = compila(sc, nullptr, &esito);
    benchmark::DoNotOptimize(m->percorso.data());
  }
}

// The three serialisers alone, on a compiled model.
void serialise(benchmark::State& state, const Scenario& sc) {
  CompileOutcome esito{};
  const auto m = compila(sc, nullptr, &esito);
  std::size_t byte = 0;
  for (auto _ : state) {
    const Compilati c = serializza(*m);
    byte = c.byte;
    benchmark::DoNotOptimize(c.oggetti.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * byte));
}

int scrivi_sorgenti(const std::string& cartella, const std::string& lunghezza) {
  try {
    std::size_t usati = 0;
    const long long metri = std::stoll(lunghezza, &usati);
    if (usati != lunghezza.size() || metri < 0 || metri > kMaxLineLength)
      throw std::invalid_argument("not a length from 0 to " + std::to_string(kMaxLineLength));
    const Scenario sc = generato(static_cast<Long>(metri));
    verifica(sc);
    DiskFileSystem files;
    const std::string linea = cartella + "/" + sc.scenario + "_linea.txt";
    const std::string treno = cartella + "/" + sc.scenario + "_" + sc.treno + "-.txt";
    files.write(linea, sc.linea_sorgente);
    files.write(treno, sc.treno_sorgente);
    std::printf("%s\n%s\n", linea.c_str(), treno.c_str());
  } catch (const std::exception& e) {
    fallisce(std::string("--write ") + cartella + " " + lunghezza + ": " + e.what());
  }
  return EXIT_SUCCESS;
}

}  // namespace
}  // namespace sb

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "--write") {
    if (argc != 4) {
      std::fprintf(stderr, "usage: compile_benchmark --write DIR LENGTH\n");
      return 2;
    }
    return sb::scrivi_sorgenti(argv[2], argv[3]);
  }

  std::vector<sb::Scenario> scenari;
  scenari.push_back(sb::incorporato());
  for (const sb::Long metri : {100000, 500000, 1000000}) scenari.push_back(sb::generato(metri));
  for (const sb::Scenario& sc : scenari) {
    sb::verifica(sc);
    benchmark::RegisterBenchmark(("compile_and_serialise/" + sc.nome).c_str(),
                                 sb::compile_step_and_serialise, sc)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("compile_step/" + sc.nome).c_str(), sb::compile_step, sc)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("serialise/" + sc.nome).c_str(), sb::serialise, sc)
        ->Unit(benchmark::kMillisecond);
  }

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

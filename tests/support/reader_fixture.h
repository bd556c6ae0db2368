// Runs the source reader over sources held in memory.
#pragma once

#include <memory>
#include <string>

#include "compiler/source_reader.h"
#include "support/memory_sources.h"

namespace sb::testing {

inline constexpr char kLineHead[] = "[generale]\nlunghezza percorso, 162000\n[curve]\n";
inline constexpr char kEmptyTrain[] = "[generale]\n[fine]\n";

// One reading: the model it filled, the sources as it left them, its report.
struct ReaderRun {
  std::unique_ptr<RouteModel> m = std::make_unique<RouteModel>();
  MemorySources sources;
  ReaderReport report;

  const cella& cell(std::size_t i) const { return m->percorso.at(i); }
  Long code() const { return m->codice_errore; }
};

// Reads `line` and `train`; `scrivi_linea` as the compile step would set it.
inline ReaderRun read_sources(const std::string& line, const std::string& train = kEmptyTrain,
                              Long scrivi_linea = 1) {
  ReaderRun run;
  run.m->scenario = "BORGOLUCE";
  run.m->treno = "5127";
  run.m->scrivi_linea = scrivi_linea;
  run.sources = MemorySources(line, train);
  memorizza_dati(*run.m, run.sources, &run.report);
  return run;
}

// A line of 162000 m with the given element rows, and the given train rows.
inline ReaderRun read_rows(const std::string& line_rows, const std::string& train_rows = "") {
  return read_sources(std::string(kLineHead) + line_rows + "[fine]\n",
                      "[generale]\n" + train_rows + "[fine]\n");
}

}  // namespace sb::testing

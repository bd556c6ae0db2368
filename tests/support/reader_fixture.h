// Runs the source reader over sources held in memory.
#pragma once

#include <memory>
#include <string>

#include "compiler/source_reader.h"
#include "support/memory_sources.h"

namespace sb::testing {

inline constexpr char kLineHead[] = "[generale]\nlunghezza percorso, 162000\n[curve]\n";
inline constexpr char kEmptyTrain[] = "[generale]\n[fine]\n";

struct Lettura {
  std::unique_ptr<RouteModel> m = std::make_unique<RouteModel>();
  MemorySources sorgenti;
  ReaderReport report;

  const cella& c(std::size_t i) const { return m->percorso.at(i); }
  Long codice() const { return m->codice_errore; }
};

// Reads `linea` and `treno`; `scrivi_linea` as the compile step would set it.
inline Lettura leggi(const std::string& linea, const std::string& treno = kEmptyTrain,
                     Long scrivi_linea = 1) {
  Lettura l;
  l.m->scenario = "BORGOLUCE";
  l.m->treno = "5127";
  l.m->scrivi_linea = scrivi_linea;
  l.sorgenti = MemorySources(linea, treno);
  memorizza_dati(*l.m, l.sorgenti, &l.report);
  return l;
}

// A line of 162000 m with the given element rows, and the given train rows.
inline Lettura leggi_righe(const std::string& righe_linea, const std::string& righe_treno = "") {
  return leggi(std::string(kLineHead) + righe_linea + "[fine]\n",
               "[generale]\n" + righe_treno + "[fine]\n");
}

}  // namespace sb::testing

// The names of every file of a run, formed from the scenario identifier and
// the train number.
#pragma once

#include <string>

namespace sb {

struct NomiFile {
  std::string scenario;
  std::string treno;

  std::string sorgente_linea() const { return scenario + "_linea.txt"; }
  std::string sorgente_treno() const { return scenario + "_" + treno + "-.txt"; }
  std::string note() const { return scenario + "_" + treno + "_note.txt"; }
  std::string rallentamenti() const { return scenario + "_" + treno + "_rallentamenti.txt"; }
  std::string scheda_treno() const { return scenario + "_" + treno + "_scheda_treno.txt"; }
  std::string tracciato() const { return scenario + "_linea.dat"; }
  std::string oggetti() const { return scenario + "_" + treno + ".sim"; }
  std::string percorso() const { return scenario + "_" + treno + ".dat"; }
};

}  // namespace sb

// The two sources held in memory for reader tests; records deletions.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "compiler/source_reader.h"

namespace sb::testing {

class MemorySources : public SourceFiles {
 public:
  std::optional<std::string> linea;
  std::optional<std::string> treno;
  std::vector<Sorgente> eliminate;

  MemorySources() = default;
  MemorySources(std::string l, std::string t) : linea(std::move(l)), treno(std::move(t)) {}

  bool esiste(Sorgente s) override { return ref(s).has_value(); }
  std::optional<std::string> carica(Sorgente s) override { return ref(s); }
  void elimina(Sorgente s) override {
    ref(s).reset();
    eliminate.push_back(s);
  }

 private:
  std::optional<std::string>& ref(Sorgente s) { return s == Sorgente::kLinea ? linea : treno; }
};

}  // namespace sb::testing

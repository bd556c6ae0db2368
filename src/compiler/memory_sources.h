// Two sources already held in memory, for the authors' compile, the fuzzer
// and the benchmark. The texts are not copied again and never changed:
// "deleting" a source only forgets it here.
#pragma once

#include <optional>
#include <string>

#include "compiler/source_reader.h"

namespace sb {

class SorgentiInMemoria : public SourceFiles {
 public:
  // A null text is a source that does not exist. The texts must outlive this.
  SorgentiInMemoria(const std::string* linea, const std::string* treno)
      : linea_(linea), treno_(treno) {}

  bool esiste(Sorgente s) override { return ref(s) != nullptr; }
  std::optional<std::string> carica(Sorgente s) override {
    if (ref(s) == nullptr) return std::nullopt;
    return *ref(s);
  }
  void elimina(Sorgente s) override { ref(s) = nullptr; }

 private:
  const std::string*& ref(Sorgente s) { return s == Sorgente::kLinea ? linea_ : treno_; }
  const std::string* linea_;
  const std::string* treno_;
};

}  // namespace sb

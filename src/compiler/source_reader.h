// `memorizza_dati`: reads the line source and then the train source into the
// route model, and deletes each source when its phase ends. Failures are
// recorded in codice_errore / progressiva_errore and the procedure returns
// normally; the compile step goes on with whatever was stored.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "compiler/route_model.h"

namespace sb {

enum class Sorgente { kLinea, kTreno };

// The two transient sources as the reader sees them: the one-shot run keeps
// them on disk and deletes them once read; the authors' compile keeps them in
// memory and never deletes the author's files.
class SourceFiles {
 public:
  virtual ~SourceFiles() = default;
  virtual bool esiste(Sorgente s) = 0;
  // The whole text, or nothing when the source does not exist.
  virtual std::optional<std::string> carica(Sorgente s) = 0;
  virtual void elimina(Sorgente s) = 0;
};

// A place in a source.
struct Luogo {
  Sorgente sorgente = Sorgente::kLinea;
  int riga = 0;
  int colonna = 0;
};

// Something the rules let through silently but an author wants to know.
struct Avviso {
  Luogo luogo;
  std::string testo;
};

// A signal or slowdown row and the cell it went to, so that a code of the
// post-processing pass (which knows only cells) can be traced to its row.
struct ElementoLetto {
  Long cella = 0;
  Luogo luogo;
};

// A code that the reader recorded: codice_errore keeps only the last one, but
// an author wants to see each (a line-phase code 15 followed by a train-phase
// code, say).
struct CodiceLetto {
  Long codice = 0;
  std::optional<Long> posizione;  // metres, for the codes that carry one
  std::optional<Luogo> luogo;     // the field that caused it, when it has one
  std::string dettaglio;          // for code 25: what could not be read
};

// What the reader tells beyond the model: every code it recorded, with its
// place, and the warnings.
struct ReaderReport {
  std::vector<CodiceLetto> codici;
  std::optional<Luogo> luogo_errore;  // the place of the last code, when it has one
  std::string dettaglio;              // for code 25: what could not be read
  std::vector<Avviso> avvisi;
  std::vector<ElementoLetto> segnali;
  std::vector<ElementoLetto> rallentamenti;
};

void memorizza_dati(RouteModel& m, SourceFiles& sorgenti, ReaderReport* report = nullptr);

}  // namespace sb

// `memorizza_dati`: reads the line source and then the train source into the
// route model, and deletes each source when its phase ends. Failures are
// recorded in codice_errore / progressiva_errore and the procedure returns
// normally; the compile step goes on with whatever was stored.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/route_model.h"
#include "compiler/warnings.h"
#include "sources/row_syntax.h"

namespace sb {

// The two transient sources as the reader sees them: the one-shot run keeps
// them on disk and deletes them once read; the authors' compile keeps them in
// memory and never deletes the author's files.
class SourceFiles {
 public:
  virtual ~SourceFiles() = default;
  virtual bool exists(Source s) = 0;
  // The whole text, or nothing when the source does not exist. The text is
  // not copied: it stays valid until the source is removed or this object
  // ends.
  virtual std::optional<std::string_view> load(Source s) = 0;
  virtual void remove(Source s) = 0;
};

// A place in a source.
struct SourcePlace {
  Source source = Source::kLine;
  int line = 0;    // 1-based
  int column = 0;  // 1-based, in bytes
};

// Something the rules let through silently but an author wants to know.
struct ReaderWarning {
  Warning warning;
  SourcePlace place;
  std::string text;
};

// A row that placed a point element, and the cell it went to: a code of the
// post-processing pass or of the compile step's guards (which know only
// cells) is traced back to its row through these.
struct PlacedElement {
  Byte genere = 0;  // the kind the row wrote into the cell
  Long cell = 0;
  Long position = 0;  // the row's position in metres
  SourcePlace place;  // the row's position field
};

// A row of a running value (pendenza, velocita, aderenza) and the cells that
// took its value: each row's value fills the cells from its own position up
// to the next row's, so these are known only once that row (or the end of
// the phase) is read.
struct StoredRun {
  SourcePlace place;  // the row's position field
  Long first = 0;     // the cells filled with its value, inclusive
  Long last = 0;
  Byte cella::*field = nullptr;  // the byte it set: &cella::pendenza, velocita or aderenza
  Byte value = 0;                // the byte stored in each
};

// A code that the reader recorded: codice_errore keeps only the last one, but
// an author wants to see each (a line-phase code 15 followed by a train-phase
// code, say).
struct RecordedCode {
  Long code = 0;
  std::optional<Long> position;      // metres, for the codes that carry one
  std::optional<SourcePlace> place;  // the field that caused it, when it has one
  std::string detail;                // for code 25: what could not be read
  // When set, the whole message in the row's own words, in place of the
  // code's message ("`segnale` needs 11 numbers; this row has 10, ...").
  std::string message;
};

// What the reader tells beyond the model: every code it recorded, with its
// place, and the warnings.
struct ReaderReport {
  std::vector<RecordedCode> codes;
  std::vector<ReaderWarning> warnings;
  std::vector<PlacedElement> elements;  // every point element stored, in the order read
  std::vector<StoredRun> runs;          // every run of a running value, in the order filled
};

// How the reader meets a code.
enum class ReadMode {
  // By the rules: the first code that stops the reading stops it, and the
  // model holds what was read up to there. This model is what is compiled.
  kRules,
  // For an author who wants every mistake at once: a refused row is
  // recorded and passed over, and the reading goes on with the next line, so
  // that each later row is judged on its own. The model is for diagnostics
  // only, and the sources are never deleted.
  kCheck,
};

void memorizza_dati(RouteModel& m, SourceFiles& sources, ReaderReport* report = nullptr,
                    ReadMode mode = ReadMode::kRules);

}  // namespace sb

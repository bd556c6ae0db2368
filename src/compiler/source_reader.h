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

namespace sb {

enum class Source { kLine, kTrain };

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
  SourcePlace place;
  std::string text;
};

// A signal or slowdown row and the cell it went to, so that a code of the
// post-processing pass (which knows only cells) can be traced to its row.
struct PlacedElement {
  Long cell = 0;
  SourcePlace place;
};

// A code that the reader recorded: codice_errore keeps only the last one, but
// an author wants to see each (a line-phase code 15 followed by a train-phase
// code, say).
struct RecordedCode {
  Long code = 0;
  std::optional<Long> position;      // metres, for the codes that carry one
  std::optional<SourcePlace> place;  // the field that caused it, when it has one
  std::string detail;                // for code 25: what could not be read
};

// What the reader tells beyond the model: every code it recorded, with its
// place, and the warnings.
struct ReaderReport {
  std::vector<RecordedCode> codes;
  std::vector<ReaderWarning> warnings;
  std::vector<PlacedElement> signals;
  std::vector<PlacedElement> slowdowns;
};

void memorizza_dati(RouteModel& m, SourceFiles& sources, ReaderReport* report = nullptr);

}  // namespace sb

// `memorizza_percorso`: the compile step. Clears the item table, has the
// reader fill the route model from the two sources, runs the post-processing
// pass, fills the reserved slots and stores the check codes. The caller then
// writes the compiled files (see compiled_files.h), unless the step ended on a
// fatal code or the sources gave no route.
#pragma once

#include <vector>

#include "compiler/post_processing.h"
#include "compiler/route_model.h"
#include "compiler/source_reader.h"

namespace sb {

// Fixed values of the compiled files.
inline constexpr Integer kItemConstant = 610;    // item 85 parametro1
inline constexpr Integer kRouteConstant = 5121;  // cell 1 dato1

// The flag `j` of memorizza_percorso: whether the reader builds the track plan
// and the compiled track plan file is written (`scrivi_linea`).
enum class TrackPlanOutput : Long { kOmit = 0, kWrite = 1 };

struct CompileOutcome {
  enum class Kind {
    kComplete,  // the model is complete: write the compiled files
    kFatal,     // a guard failed: `errore` with fatal_code, nothing is written
    kNoCells,   // the reader stopped before the line length: there are no cells to write
  };
  Kind kind = Kind::kComplete;
  Long fatal_code = 0;  // kReservedSlotSet or kCheckCodeSlotSet, for kFatal

  bool complete() const { return kind == Kind::kComplete; }
};

// What an author's tool wants to know beyond the model.
struct CompileReport {
  ReaderReport reading;
  std::vector<PassCode> pass;
};

// With ReadMode::kCheck the reader goes on past a refused row (see
// source_reader.h): the model then serves the diagnostics, not the files.
CompileOutcome memorizza_percorso(RouteModel& m, SourceFiles& sources, TrackPlanOutput j,
                                  CompileReport* report = nullptr,
                                  ReadMode mode = ReadMode::kRules);

}  // namespace sb

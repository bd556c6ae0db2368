// `memorizza_percorso`: the compile step. Clears the item table, has the
// reader fill the route model from the two sources, runs the post-processing
// pass, fills the reserved slots and stores the check codes. The caller then
// writes the compiled files (see compiled_files.h), unless the step ended on a
// guard or the sources gave no route.
#pragma once

#include <vector>

#include "compiler/post_processing.h"
#include "compiler/route_model.h"
#include "compiler/source_reader.h"

namespace sb {

// Fixed values of the compiled files.
inline constexpr Integer kCostanteOggetti = 610;    // item 85 parametro1
inline constexpr Integer kCostantePercorso = 5121;  // cell 1 dato1

enum class EsitoCompilazione {
  kCompleto,       // the model is complete: write the compiled files
  kGuardia1250,    // a reserved slot was already set by the sources: errore "1250"
  kGuardia1251,    // a check code slot was already set by the sources: errore "1251"
  kSenzaPercorso,  // the reader stopped before the line length: there are no cells to write
};

// What an author's tool wants to know beyond the model.
struct Resoconto {
  ReaderReport lettura;
  std::vector<ErrorePassata> passata;
};

// `j` non-zero asks for the track plan.
EsitoCompilazione memorizza_percorso(RouteModel& m, SourceFiles& sorgenti, Long j,
                                     Resoconto* resoconto = nullptr);

}  // namespace sb

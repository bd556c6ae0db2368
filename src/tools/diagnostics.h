// Diagnostics for scenario authors: every recorded error code and every
// warning of a compilation, at its place in the source, in the author's terms.
//
//   LINE.txt:177:22: error 6: sign on a cell that is already taken, at 27750 m (cell 556)
//   cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)
//                         ^
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_step.h"
#include "compiler/route_model.h"
#include "compiler/source_reader.h"

namespace sb {

struct Diagnostica {
  bool errore = true;  // false for a warning
  Long codice = 0;     // the error code; 0 for a warning
  std::string file;    // as the author named it
  int riga = 0;        // 1-based; 0 when the diagnostic has no line
  int colonna = 0;     // 1-based; 0 when it has no column
  std::string messaggio;
  std::optional<Long> posizione;  // metres along the line, when the code has one
};

// The diagnostics of one compilation: the reader's recorded code (if any),
// every code of the post-processing pass, then the warnings.
std::vector<Diagnostica> raccogli_diagnostiche(const RouteModel& m, const Resoconto& r,
                                               const std::string& file_linea,
                                               const std::string& file_treno);

// "FILE:LINE:COLUMN: error CODE: MESSAGE", then the source line and a caret
// under the field when the diagnostic has a place in `sorgente`.
std::string formatta(const Diagnostica& d, std::string_view sorgente);

// Whether the reader records a position in metres together with this code.
bool codice_con_posizione(Long codice);

}  // namespace sb

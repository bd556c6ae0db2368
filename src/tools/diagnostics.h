// Diagnostics for scenario authors: every recorded error code and every
// warning of a compilation, at its place in the source, in the author's terms.
//
//   LINE.txt:177:22: error 6: sign on a cell that is already taken, at 27750 m (cell 556)
//   cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)
//                         ^
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_step.h"
#include "compiler/route_model.h"
#include "compiler/source_reader.h"

namespace sb {

struct Diagnostic {
  bool is_error = true;  // false for a warning
  Long code = 0;         // the error code; 0 for a warning
  std::string file;      // as the author named it
  int line = 0;          // 1-based; 0 when the diagnostic has no line
  int column = 0;        // 1-based; 0 when it has no column
  std::string message;
  std::optional<Long> position;  // metres along the line, when the code has one
};

// The diagnostics of one compilation: the reader's recorded codes, every code
// of the post-processing pass, then the warnings.
std::vector<Diagnostic> collect_diagnostics(const RouteModel& m, const CompileReport& r,
                                            const std::string& line_file,
                                            const std::string& train_file);

// "FILE:LINE:COLUMN: error CODE: MESSAGE", then the source line and a caret
// under the field when the diagnostic has a place in `source`.
std::string format_diagnostic(const Diagnostic& d, std::string_view source);

}  // namespace sb

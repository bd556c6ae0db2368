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
#include "compiler/warnings.h"

namespace sb {

struct Diagnostic {
  bool is_error = true;            // false for a warning
  Long code = 0;                   // the error code; 0 for a warning
  std::optional<Warning> warning;  // the warning, for a warning (or an error made of one)
  std::string file;                // as the author named it
  int line = 0;                    // 1-based; 0 when the diagnostic has no line
  int column = 0;                  // 1-based; 0 when it has no column
  std::string message;
  std::optional<Long> position;  // metres along the line, when the code has one
};

// The diagnostics of one compilation, in the order of their places (the line
// source first, then the train source; those without a line at the end of
// their file): the reader's recorded codes, every code of the
// post-processing pass, the fatal code of the guards with the row whose
// element took the reserved cell, and the warnings.
std::vector<Diagnostic> collect_diagnostics(const RouteModel& m, const CompileReport& r,
                                            const CompileOutcome& outcome,
                                            const std::string& line_file,
                                            const std::string& train_file);

// What an author asked of the warnings: some silenced (-Wno-NAME), all made
// errors (--werror).
struct WarningOptions {
  std::vector<Warning> silenced;
  bool as_errors = false;
};
void apply_warning_options(std::vector<Diagnostic>* diagnostics, const WarningOptions& options);

// "2 errors, 3 warnings", "no error, 1 warning".
std::string diagnostics_summary(const std::vector<Diagnostic>& diagnostics);
bool has_errors(const std::vector<Diagnostic>& diagnostics);

// The lines of a source text, found once: CR LF, a lone LF and a lone CR each
// end a line, as for the reader.
class SourceLines {
 public:
  explicit SourceLines(std::string_view text);
  // Line n (1-based) without its line end; empty past the last line.
  std::string_view line(int n) const;
  int count() const { return static_cast<int>(starts_.size()); }

 private:
  std::string_view text_;
  std::vector<std::size_t> starts_, ends_;
};

// "FILE:LINE:COLUMN: error CODE: MESSAGE", "FILE:LINE:COLUMN: warning: MESSAGE
// [-Wname]", then the source line and a caret under the field when the
// diagnostic has a place in `source`.
std::string format_diagnostic(const Diagnostic& d, const SourceLines& source);
std::string format_diagnostic(const Diagnostic& d, std::string_view source);

}  // namespace sb

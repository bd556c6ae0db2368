// Prints the SARIF log of a set of diagnostics that covers every shape a
// result can take, for ci/validate_sarif.sh to hold against the schema:
// errors with a place, with a line only and with none, an error code outside
// the table, warnings, a warning made an error, text in Windows-1252 and file
// names that need percent-encoding.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "compiler/error_codes.h"
#include "compiler/warnings.h"
#include "tools/sarif.h"

#ifndef SCENARIO_BUILDER_VERSION
#define SCENARIO_BUILDER_VERSION "0.0.0"
#endif

namespace {

using sb::Diagnostic;

Diagnostic diagnostic(bool is_error, sb::Long code, std::optional<sb::Warning> warning,
                      std::string file, int line, int column, std::string message,
                      std::optional<sb::Long> position = std::nullopt) {
  Diagnostic d;
  d.is_error = is_error;
  d.code = code;
  d.warning = warning;
  d.file = std::move(file);
  d.line = line;
  d.column = column;
  d.message = std::move(message);
  d.position = position;
  return d;
}

}  // namespace

int main() {
  using sb::error_message;
  using sb::Warning;
  const std::vector<Diagnostic> diagnostics = {
      diagnostic(true, sb::kSignCellTaken, {}, "work/VALLEVERDE_linea.txt", 177, 22,
                 error_message(sb::kSignCellTaken) + ", at 27750 m (cell 556)", 27750),
      diagnostic(true, sb::kProgressiveNotMultiple, {}, "work/VALLEVERDE_linea.txt", 0, 0,
                 error_message(sb::kProgressiveNotMultiple)),
      diagnostic(true, sb::kLineTooLong, {}, "my scenarios\\VALLE VERDE_linea.txt", 2, 0,
                 error_message(sb::kLineTooLong)),
      diagnostic(true, sb::kTooManyStations, {}, "", 0, 0, error_message(sb::kTooManyStations)),
      diagnostic(true, 999, {}, "/tmp/odd 100%#?.txt", 1, 1, "a code of no table"),
      diagnostic(true, sb::kStationNotMultipleOf50, {}, "C:\\Scenari\\citt\xC3\xA0_2041-.txt", 61,
                 12, error_message(sb::kStationNotMultipleOf50) + ", at 1325 m", 1325),
      diagnostic(false, 0, Warning::kUnknownKeyword, "work/VALLEVERDE_linea.txt", 40, 1,
                 "unknown keyword \"pend\xE8nza\" (\x80 \x93quoted\x94)"),
      diagnostic(true, 0, Warning::kValueTruncated, "work/VALLEVERDE_2041-.txt", 12, 9,
                 std::string(sb::warning_info(Warning::kValueTruncated).summary)),
      diagnostic(false, 0, Warning::kNoGenerale, "a:b [x].txt", 0, 0,
                 std::string(sb::warning_info(Warning::kNoGenerale).summary)),
  };
  std::cout << sb::diagnostics_sarif(diagnostics, SCENARIO_BUILDER_VERSION);
  return std::cout ? 0 : 1;
}

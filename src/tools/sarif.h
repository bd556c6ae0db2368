// Diagnostics as a SARIF 2.1.0 log, for editors and code-scanning services.
//
// The log has one run. Its tool lists a rule for every error code of the
// table except 0, then one for every warning, in the order of their tables,
// so that a rule's index stays the same from one log to the next:
//
//   - an error code's rule id is "E" and the code: "E6", "E1250";
//   - a warning's rule id is its name: "unknown-keyword".
//
// A result takes the rule of its warning when it has one (also when the
// warning was made an error), else the rule of its code; its level follows
// `is_error`, so that a warning made an error is an "error" under a rule whose
// default level is "warning". An error code outside the table keeps its id
// "E<code>" but points at no rule. Messages are turned from Windows-1252 into
// UTF-8; a result's position in metres along the line, when it has one, is
// the "position" of its properties.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/diagnostics.h"

namespace sb {

// The SARIF log of `diagnostics`, as JSON ending with a newline. The same
// diagnostics always give the same bytes.
std::string diagnostics_sarif(const std::vector<Diagnostic>& diagnostics,
                              std::string_view tool_version);

// A file name as the author gave it, as a URI reference: backslashes become
// slashes, an absolute path ("/src/a.txt", "C:\src\a.txt") becomes a file URI
// ("file:///src/a.txt", "file:///C:/src/a.txt"), a relative one stays
// relative, and every byte other than a letter, a digit, "-._~" and "/" is
// percent-encoded (a UTF-8 name byte by byte).
std::string artifact_uri(std::string_view path);

}  // namespace sb

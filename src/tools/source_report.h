// What `check` and `compile` share: reading the two sources an author named,
// telling the scenario identifier and train number from their names, the
// warning flags, and giving the diagnostics in the format asked for.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "tools/analysis.h"
#include "tools/commands.h"

namespace sb {

// The two sources, read; on failure the message has gone to env.err and the
// result holds the exit status instead.
struct LoadedSources {
  std::string scenario;
  std::string treno;
  std::string line_file;
  std::string train_file;
  std::string line_text;
  std::string train_text;

  // The sources as the analysis reads them, pointing into this object.
  ScenarioSources sources() const {
    return {scenario, treno, line_file, train_file, &line_text, &train_text};
  }
};
std::optional<LoadedSources> load_sources(const SourceOptions& o, const char* command,
                                          Environment& env, int* status);

// The warning options of -W flags and --werror; empty after a message to
// env.err when a flag names no warning.
std::optional<WarningOptions> warning_options(const SourceOptions& o, const char* command,
                                              Environment& env);

// The diagnostics as plain text on env.err, each with its source line and a
// caret, then the summary line.
void print_text_report(const std::vector<Diagnostic>& diagnostics, const LoadedSources& loaded,
                       Environment& env);

// One diagnostic as a JSON object: severity, file, line, column, message (in
// UTF-8), code (null for a warning), name (the warning's name, or null),
// position (metres, or null).
nlohmann::json diagnostic_json(const Diagnostic& d);

}  // namespace sb

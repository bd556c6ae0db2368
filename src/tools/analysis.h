// One engine for every tool that tells an author about a scenario: `check`,
// `compile` and the language server all run this, so that they never
// disagree.
//
// The sources are compiled by the rules, which is what the compiled files
// hold. When the rules stop at a code, the sources are read again in the
// checking mode, which passes over each refused row and goes on, so that
// every mistake is found in one run, each at its own row.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "compiler/compile_step.h"
#include "compiler/route_model.h"
#include "tools/diagnostics.h"

namespace sb {

struct ScenarioSources {
  std::string scenario;   // the identifier (ID of ID_linea.txt)
  std::string treno;      // the train number
  std::string line_file;  // the names the diagnostics give the two files
  std::string train_file;
  const std::string* line_text = nullptr;  // nullptr: the source does not exist
  const std::string* train_text = nullptr;
};

struct Analysis {
  std::unique_ptr<RouteModel> model;  // compiled by the rules
  CompileOutcome outcome;             // of the compilation by the rules
  CompileReport report;               // of the compilation by the rules
  std::vector<Diagnostic> diagnostics;
};

enum class AnalysisDepth {
  kRules,  // compile by the rules; check again only when they stop at a code
  kCheck,  // only the checking reading: for `check`, which writes nothing
};

Analysis analyse(const ScenarioSources& sources, TrackPlanOutput track_plan,
                 const WarningOptions& warnings, AnalysisDepth depth = AnalysisDepth::kRules);

}  // namespace sb

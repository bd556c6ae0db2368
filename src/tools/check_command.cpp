// `scenario-builder check`: every error and warning of an author's line and
// train sources in one run, each at its own row. Writes nothing.
#include <nlohmann/json.hpp>

#include "tools/analysis.h"
#include "tools/commands.h"
#include "tools/sarif.h"
#include "tools/source_report.h"

#ifndef SCENARIO_BUILDER_VERSION
#define SCENARIO_BUILDER_VERSION "0.0.0"
#endif

namespace sb {

int check_command(const CheckOptions& o, Environment& env) {
  int status = exit_status::kOk;
  const std::optional<WarningOptions> warnings = warning_options(o, "check", env);
  if (!warnings) return exit_status::kUsage;
  const std::optional<LoadedSources> loaded = load_sources(o, "check", env, &status);
  if (!loaded) return status;

  const Analysis a =
      analyse(loaded->sources(), TrackPlanOutput::kWrite, *warnings, AnalysisDepth::kCheck);
  status = has_errors(a.diagnostics) ? exit_status::kScenarioErrors : exit_status::kOk;
  switch (o.format) {
    case ReportFormat::kJson: {
      nlohmann::json j;
      j["diagnostics"] = nlohmann::json::array();
      for (const Diagnostic& d : a.diagnostics) j["diagnostics"].push_back(diagnostic_json(d));
      j["summary"] = diagnostics_summary(a.diagnostics);
      env.out << j.dump(2) << "\n";
      break;
    }
    case ReportFormat::kSarif:
      env.out << diagnostics_sarif(a.diagnostics, SCENARIO_BUILDER_VERSION);
      break;
    case ReportFormat::kText:
      print_text_report(a.diagnostics, *loaded, env);
      break;
  }
  return status;
}

}  // namespace sb

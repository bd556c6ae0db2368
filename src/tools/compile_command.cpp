// `scenario-builder compile`: an author's line and train sources compiled by
// the same compiler as the one-shot run, with every mistake reported where it
// stands. The author's files are only read, never changed or deleted, and the
// three compiled files are written as one set, only when there is no error
// (or when asked to): a failed compile never replaces a good one.
#include <filesystem>
#include <nlohmann/json.hpp>

#include "compiler/error_codes.h"
#include "platform/file_system.h"
#include "sources/file_names.h"
#include "tools/analysis.h"
#include "tools/commands.h"
#include "tools/compiled_output.h"
#include "tools/sarif.h"
#include "tools/source_report.h"

#ifndef SCENARIO_BUILDER_VERSION
#define SCENARIO_BUILDER_VERSION "0.0.0"
#endif

namespace sb {

namespace {

namespace fs = std::filesystem;

// Whether writing `output` would replace `source`: the same file under any
// name (another spelling, a link). An output not there yet replaces nothing.
bool same_file(const std::string& output, const std::string& source) {
  std::error_code ec;
  const bool same = fs::equivalent(output, source, ec);
  return !ec && same;
}

}  // namespace

int compile_command(const CompileOptions& o, Environment& env) {
  int status = exit_status::kOk;
  const std::optional<WarningOptions> warnings = warning_options(o, "compile", env);
  if (!warnings) return exit_status::kUsage;
  const std::optional<LoadedSources> loaded = load_sources(o, "compile", env, &status);
  if (!loaded) return status;

  const FileNames names{loaded->scenario, loaded->treno};
  auto path_of = [&](const std::string& name) { return (fs::path(o.directory) / name).string(); };
  for (const std::string& output : {path_of(names.track_plan_file()), path_of(names.item_file()),
                                    path_of(names.route_file())}) {
    if (same_file(output, o.line_source) || same_file(output, o.train_source)) {
      env.err << "scenario-builder compile: the output " << output
              << " would replace a source; choose another directory with -o\n";
      return exit_status::kUsage;
    }
  }

  const Analysis a =
      analyse(loaded->sources(), o.no_track_plan ? TrackPlanOutput::kOmit : TrackPlanOutput::kWrite,
              *warnings);
  const RouteModel& m = *a.model;
  const bool errors = has_errors(a.diagnostics);
  status = errors ? exit_status::kScenarioErrors : exit_status::kOk;

  std::vector<std::string> written;
  std::string problem;
  switch (a.outcome.kind) {
    case CompileOutcome::Kind::kComplete:
      if (errors && !o.write_on_error) {
        problem =
            "no compiled file was written, and any older ones were left as they are; correct the "
            "errors, or give --write-on-error for the files the rules make of these sources";
        break;
      }
      try {
        env.files.create_directories(o.directory);
        for (const std::string& name : write_compiled_set(m, names, path_of, env.files))
          written.push_back(path_of(name));
      } catch (const FileError& e) {
        problem = e.what();
        status = exit_status::kFileFailure;
      }
      break;
    case CompileOutcome::Kind::kNoCells:
      problem =
          "the line has no cells (no valid line length was read): no compiled file was written";
      status = exit_status::kScenarioErrors;
      break;
    case CompileOutcome::Kind::kFatal:
      problem = "error " + std::to_string(a.outcome.fatal_code) + ": " +
                error_message(a.outcome.fatal_code) + ": no compiled file was written";
      status = exit_status::kFatal;
      break;
  }

  switch (o.format) {
    case ReportFormat::kJson: {
      nlohmann::json j;
      j["code"] = m.codice_errore;
      j["position"] = code_has_position(m.codice_errore) ? m.progressiva_errore : 0;
      j["fatal"] = a.outcome.kind == CompileOutcome::Kind::kFatal
                       ? nlohmann::json(a.outcome.fatal_code)
                       : nlohmann::json(nullptr);
      j["files"] = written;
      j["diagnostics"] = nlohmann::json::array();
      for (const Diagnostic& d : a.diagnostics) j["diagnostics"].push_back(diagnostic_json(d));
      j["summary"] = diagnostics_summary(a.diagnostics);
      if (!problem.empty()) j["problem"] = problem;
      env.out << j.dump(2) << "\n";
      return status;
    }
    case ReportFormat::kSarif:
      env.out << diagnostics_sarif(a.diagnostics, SCENARIO_BUILDER_VERSION);
      if (!problem.empty()) env.err << "scenario-builder compile: " << problem << "\n";
      return status;
    case ReportFormat::kText:
      break;
  }
  print_text_report(a.diagnostics, *loaded, env);
  if (!problem.empty()) env.err << "scenario-builder compile: " << problem << "\n";
  for (const std::string& s : written) env.out << "wrote " << s << "\n";
  return status;
}

}  // namespace sb

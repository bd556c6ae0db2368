// `scenario-builder compile`: an author's line and train sources compiled by
// the same compiler as the one-shot run, with every mistake reported where it
// stands. The author's files are only read, never changed or deleted.
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "compiler/compile_step.h"
#include "compiler/error_codes.h"
#include "compiler/memory_sources.h"
#include "platform/file_system.h"
#include "sources/file_names.h"
#include "tools/commands.h"
#include "tools/compiled_output.h"
#include "tools/diagnostics.h"
#include "tools/text_encoding.h"

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

nlohmann::json to_json(const Diagnostic& d) {
  nlohmann::json j = {{"severity", d.is_error ? "error" : "warning"},
                      {"file", d.file},
                      {"line", d.line},
                      {"column", d.column},
                      {"message", utf8_from_cp1252(d.message)}};
  j["code"] = d.is_error ? nlohmann::json(d.code) : nlohmann::json(nullptr);
  j["position"] = d.position ? nlohmann::json(*d.position) : nlohmann::json(nullptr);
  return j;
}

}  // namespace

int compile_command(const CompileOptions& o, Environment& env) {
  const std::optional<std::string> scenario =
      o.scenario ? o.scenario : scenario_from_line_source(o.line_source);
  const std::optional<std::string> number =
      o.train_number ? o.train_number : train_from_train_source(o.train_source);
  if (!scenario || scenario->empty()) {
    env.err << "scenario-builder compile: cannot tell the scenario identifier from \""
            << o.line_source << "\": name the line source ID_linea.txt or give --scenario ID\n";
    return exit_status::kUsage;
  }
  if (!number || number->empty()) {
    env.err << "scenario-builder compile: cannot tell the train number from \"" << o.train_source
            << "\": name the train source ID_NUM-.txt or give --train NUM\n";
    return exit_status::kUsage;
  }

  RouteModel m;
  m.scenario = *scenario;
  m.treno = *number;
  const FileNames names{m.scenario, m.treno};
  auto path_of = [&](const std::string& name) { return (fs::path(o.directory) / name).string(); };
  for (const std::string& output : {path_of(names.track_plan_file()), path_of(names.item_file()),
                                    path_of(names.route_file())}) {
    if (same_file(output, o.line_source) || same_file(output, o.train_source)) {
      env.err << "scenario-builder compile: the output " << output
              << " would replace a source; choose another directory with -o\n";
      return exit_status::kUsage;
    }
  }

  std::string line_text, train_text;
  try {
    line_text = env.files.read(o.line_source);
    train_text = env.files.read(o.train_source);
  } catch (const FileError& e) {
    env.err << "scenario-builder compile: " << e.what() << "\n";
    return exit_status::kScenarioErrors;
  }

  InMemorySources sources(&line_text, &train_text);
  CompileReport report;
  const CompileOutcome outcome = memorizza_percorso(
      m, sources, o.no_track_plan ? TrackPlanOutput::kOmit : TrackPlanOutput::kWrite, &report);
  const std::vector<Diagnostic> diagnostics =
      collect_diagnostics(m, report, o.line_source, o.train_source);

  std::vector<std::string> written;
  int status = m.codice_errore != 0 ? exit_status::kScenarioErrors : exit_status::kOk;
  std::string problem;
  switch (outcome.kind) {
    case CompileOutcome::Kind::kComplete:
      try {
        env.files.create_directories(o.directory);
        for (const std::string& name : write_compiled_files(m, names, path_of, env.files))
          written.push_back(path_of(name));
      } catch (const FileError& e) {
        problem = e.what();
        status = exit_status::kScenarioErrors;
      }
      break;
    case CompileOutcome::Kind::kNoCells:
      problem =
          "the line has no cells (no valid line length was read): no compiled file was written";
      status = exit_status::kScenarioErrors;
      break;
    case CompileOutcome::Kind::kFatal:
      problem = "error " + std::to_string(outcome.fatal_code) + ": " +
                error_message(outcome.fatal_code) + ": no compiled file was written";
      status = exit_status::kFatal;
      break;
  }

  if (o.json) {
    nlohmann::json j;
    j["code"] = m.codice_errore;
    j["position"] = code_has_position(m.codice_errore) ? m.progressiva_errore : 0;
    j["fatal"] = outcome.kind == CompileOutcome::Kind::kFatal ? nlohmann::json(outcome.fatal_code)
                                                              : nlohmann::json(nullptr);
    j["files"] = written;
    j["diagnostics"] = nlohmann::json::array();
    for (const Diagnostic& d : diagnostics) j["diagnostics"].push_back(to_json(d));
    if (!problem.empty()) j["problem"] = problem;
    env.out << j.dump(2) << "\n";
    return status;
  }

  for (const Diagnostic& d : diagnostics)
    env.err << format_diagnostic(
        d, d.file == o.train_source && o.train_source != o.line_source ? train_text : line_text);
  if (!problem.empty()) env.err << "scenario-builder compile: " << problem << "\n";
  for (const std::string& s : written) env.out << "wrote " << s << "\n";
  return status;
}

}  // namespace sb

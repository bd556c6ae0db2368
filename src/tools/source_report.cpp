#include "tools/source_report.h"

#include "compiler/warnings.h"
#include "platform/exit_status.h"
#include "platform/file_system.h"
#include "sources/file_names.h"
#include "tools/text_encoding.h"

namespace sb {

std::optional<LoadedSources> load_sources(const SourceOptions& o, const char* command,
                                          Environment& env, int* status) {
  const std::optional<std::string> scenario =
      o.scenario ? o.scenario : scenario_from_line_source(o.line_source);
  const std::optional<std::string> number =
      o.train_number ? o.train_number : train_from_train_source(o.train_source);
  if (!scenario || scenario->empty()) {
    env.err << "scenario-builder " << command << ": cannot tell the scenario identifier from \""
            << o.line_source << "\": name the line source ID_linea.txt or give --scenario ID\n";
    *status = exit_status::kUsage;
    return std::nullopt;
  }
  if (!number || number->empty()) {
    env.err << "scenario-builder " << command << ": cannot tell the train number from \""
            << o.train_source << "\": name the train source ID_NUM-.txt or give --train NUM\n";
    *status = exit_status::kUsage;
    return std::nullopt;
  }
  std::optional<LoadedSources> loaded(std::in_place);
  try {
    loaded->line_text = env.files.read(o.line_source);
    loaded->train_text = env.files.read(o.train_source);
  } catch (const FileError& e) {
    env.err << "scenario-builder " << command << ": " << e.what() << "\n";
    *status = exit_status::kFileFailure;
    return std::nullopt;
  }
  loaded->scenario = *scenario;
  loaded->treno = *number;
  loaded->line_file = o.line_source;
  loaded->train_file = o.train_source;
  return loaded;
}

std::optional<WarningOptions> warning_options(const SourceOptions& o, const char* command,
                                              Environment& env) {
  WarningOptions w;
  w.as_errors = o.werror;
  for (const std::string& flag : o.warning_flags) {
    const bool silence = flag.rfind("no-", 0) == 0;
    const std::string name = silence ? flag.substr(3) : flag;
    const std::optional<Warning> warning = warning_by_name(name);
    if (!warning) {
      env.err << "scenario-builder " << command << ": -W" << flag << ": no warning is called \""
              << name << "\"; the warnings are:";
      for (const WarningInfo& info : warning_table()) env.err << " " << info.name;
      env.err << "\n";
      return std::nullopt;
    }
    if (silence) w.silenced.push_back(*warning);
  }
  return w;
}

void print_text_report(const std::vector<Diagnostic>& diagnostics, const LoadedSources& loaded,
                       Environment& env) {
  const SourceLines line_lines(loaded.line_text), train_lines(loaded.train_text);
  for (const Diagnostic& d : diagnostics) {
    const bool train = d.file == loaded.train_file && loaded.train_file != loaded.line_file;
    env.err << format_diagnostic(d, train ? train_lines : line_lines);
  }
  env.err << diagnostics_summary(diagnostics) << "\n";
}

nlohmann::json diagnostic_json(const Diagnostic& d) {
  nlohmann::json j = {{"severity", d.is_error ? "error" : "warning"},
                      {"file", d.file},
                      {"line", d.line},
                      {"column", d.column},
                      {"message", utf8_from_cp1252(d.message)}};
  j["code"] = d.is_error && !d.warning ? nlohmann::json(d.code) : nlohmann::json(nullptr);
  j["name"] = d.warning ? nlohmann::json(std::string(warning_info(*d.warning).name))
                        : nlohmann::json(nullptr);
  j["position"] = d.position ? nlohmann::json(*d.position) : nlohmann::json(nullptr);
  return j;
}

}  // namespace sb

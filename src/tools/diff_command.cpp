// scenario-builder diff A B: what changed between two compiled scenarios,
// each given by its folder or its route file, or compiled in memory from two
// pairs of sources (--sources LINE_A TRAIN_A LINE_B TRAIN_B).
//
// Exit status 0 when the two are the same, 1 when they differ; 2 for a usage
// error, 4 for a file that cannot be read, is refused, or sources that do
// not compile.
#include <optional>
#include <ostream>
#include <string>

#include "compiler/compile_step.h"
#include "compiler/compiled_files.h"
#include "compiler/memory_sources.h"
#include "platform/file_system.h"
#include "sources/file_names.h"
#include "tools/commands.h"
#include "tools/diff.h"
#include "tools/dump.h"
#include "tools/scenario_files.h"

namespace sb {

namespace {

constexpr const char* kPrefix = "scenario-builder diff: ";

// The trouble that stops a diff, already reported.
struct Trouble {
  int status;
};

std::string read_or_throw(const std::string& path, Environment& env) {
  try {
    return env.files.read(path);
  } catch (const FileError& e) {
    env.err << kPrefix << "cannot read " << e.path() << ": " << e.reason() << "\n";
    throw Trouble{exit_status::kFileFailure};
  }
}

// A scenario given by its folder or its route file; the track plan is decoded
// again only when the two plans differ.
CompiledScenario load_compiled(const std::string& given, Environment& env) {
  try {
    return read_compiled_scenario(route_file_of(given, env, kPrefix), env, kPrefix);
  } catch (const ScenarioReadFailure& f) {
    throw Trouble{f.cause == ScenarioReadFailure::Cause::kNotFound ? exit_status::kUsage
                                                                   : exit_status::kFileFailure};
  }
}

CompiledScenario compile_sources(const std::string& line, const std::string& train,
                                 Environment& env) {
  const std::string line_text = read_or_throw(line, env);
  const std::string train_text = read_or_throw(train, env);
  RouteModel m;
  m.scenario = scenario_from_line_source(line).value_or(kBuiltinScenario);
  m.treno = train_from_train_source(train).value_or(kBuiltinTrain);
  InMemorySources sources(&line_text, &train_text);
  const CompileOutcome outcome = memorizza_percorso(m, sources, TrackPlanOutput::kWrite);
  if (!outcome.complete() || m.codice_errore != 0) {
    env.err << kPrefix << line << ", " << train
            << ": the sources do not compile cleanly (error code "
            << (outcome.fatal_code != 0 ? outcome.fatal_code : m.codice_errore)
            << "); run `scenario-builder check " << line << " " << train << "`\n";
    throw Trouble{exit_status::kFileFailure};
  }
  CompiledScenario s;
  s.percorso = std::move(m.percorso);
  s.oggetti = m.oggetti;
  if (m.tracciato.allocated()) s.track_plan = serialize_track_plan(m.tracciato);
  return s;
}

}  // namespace

int diff_command(const DiffOptions& o, Environment& env) {
  try {
    CompiledScenario a;
    CompiledScenario b;
    if (!o.sources.empty()) {
      if (o.sources.size() != 4) {
        env.err << kPrefix << "--sources takes four files: LINE_A TRAIN_A LINE_B TRAIN_B\n";
        return exit_status::kUsage;
      }
      a = compile_sources(o.sources[0], o.sources[1], env);
      b = compile_sources(o.sources[2], o.sources[3], env);
    } else {
      if (o.a.empty() || o.b.empty()) {
        env.err << kPrefix
                << "give two scenarios (folders or route files), or --sources LINE_A TRAIN_A "
                   "LINE_B TRAIN_B\n";
        return exit_status::kUsage;
      }
      a = load_compiled(o.a, env);
      b = load_compiled(o.b, env);
    }
    const std::vector<Difference> d = compare_scenarios(a, b);
    env.out << (o.json ? differences_json(d) : differences_text(d));
    env.out.flush();
    return d.empty() ? exit_status::kOk : 1;
  } catch (const Trouble& t) {
    return t.status;
  }
}

}  // namespace sb

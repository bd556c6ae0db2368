#include "tools/scenario_files.h"

#include <ostream>

#include "compiler/compiled_files.h"
#include "platform/file_system.h"
#include "tools/commands.h"
#include "tools/dump.h"

namespace sb {

namespace {

std::string read_or_throw(const std::string& path, Environment& env, std::string_view prefix) {
  try {
    return env.files.read(path);
  } catch (const FileError& e) {
    env.err << prefix << "cannot read " << e.path() << ": " << e.reason() << "\n";
    throw ScenarioReadFailure{ScenarioReadFailure::Cause::kUnreadable};
  }
}

[[noreturn]] void refuse(const std::string& path, CompiledFileKind kind, const FormatError& e,
                         Environment& env, std::string_view prefix) {
  env.err << prefix << refusal_message(path, kind, e) << "\n";
  throw ScenarioReadFailure{ScenarioReadFailure::Cause::kRefused};
}

}  // namespace

std::string route_file_of(const std::string& given, Environment& env, std::string_view prefix) {
  if (companion_files(given) && env.files.exists(given)) return given;
  std::string folder = given;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::vector<std::string> routes;
  for (const std::string& name : env.files.list_files(folder)) {
    if (compiled_file_kind(name) == CompiledFileKind::kRoute) routes.push_back(name);
  }
  if (routes.size() == 1) return folder + "/" + routes[0];
  if (routes.empty()) {
    env.err << prefix << given
            << ": neither a route file (ID_NUM.dat) nor a folder that holds one\n";
  } else {
    env.err << prefix << given << ": the folder holds " << routes.size()
            << " route files; name the one to read (";
    for (std::size_t i = 0; i < routes.size(); ++i) env.err << (i ? ", " : "") << routes[i];
    env.err << ")\n";
  }
  throw ScenarioReadFailure{ScenarioReadFailure::Cause::kNotFound};
}

CompiledScenario read_compiled_scenario(const std::string& route_file, Environment& env,
                                        std::string_view prefix) {
  const std::optional<CompanionFiles> companions = companion_files(route_file);
  if (!companions) {
    env.err << prefix << route_file << ": not the name of a route file (ID_NUM.dat)\n";
    throw ScenarioReadFailure{ScenarioReadFailure::Cause::kNotFound};
  }
  CompiledScenario s;
  FormatError e;
  if (!decode_route_file(read_or_throw(route_file, env, prefix), &s.percorso, &e)) {
    refuse(route_file, CompiledFileKind::kRoute, e, env, prefix);
  }
  if (!decode_items(read_or_throw(companions->item_file, env, prefix), &s.oggetti, &e)) {
    refuse(companions->item_file, CompiledFileKind::kItems, e, env, prefix);
  }
  if (env.files.exists(companions->track_plan_file)) {
    s.track_plan = read_or_throw(companions->track_plan_file, env, prefix);
    // Checked here, so that a damaged file is named whatever the tool makes
    // of it.
    if (!track_plan_is_well_formed(*s.track_plan, &e)) {
      refuse(companions->track_plan_file, CompiledFileKind::kTrackPlan, e, env, prefix);
    }
  }
  return s;
}

}  // namespace sb

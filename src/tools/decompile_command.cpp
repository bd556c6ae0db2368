// scenario-builder decompile DIR|ROUTE_FILE -o SRC: the line and train
// sources of a compiled scenario, checked by compiling them again in memory
// and comparing the result with the compiled files byte for byte.
//
// Exit status 0 when the sources give the same bytes, 1 when they do not
// (the doubtful rows carry comments); 2 for a usage error, 4 for a file that
// cannot be read or written, or that its decoder refuses.
#include <filesystem>
#include <ostream>

#include "platform/file_system.h"
#include "sources/file_names.h"
#include "tools/commands.h"
#include "tools/dump.h"
#include "tools/round_trip.h"
#include "tools/scenario_files.h"

namespace sb {

namespace {

constexpr const char* kPrefix = "scenario-builder decompile: ";

// Whether an identity names sources that `compile` reads back as the same
// identity.
bool nameable(const std::string& scenario, const std::string& treno) {
  const FileNames names{scenario, treno};
  const auto bad = [](const std::string& s) {
    return s.empty() || s.find_first_of("/\\:\r\n") != std::string::npos;
  };
  return !bad(scenario) && !bad(treno) &&
         scenario_from_line_source(names.line_source()) == scenario &&
         train_from_train_source(names.train_source()) == treno;
}

void say_what_differs(const RoundTrip& t, Environment& env) {
  if (!t.outcome.complete()) {
    env.err << kPrefix << "the sources do not compile"
            << (t.outcome.fatal_code != 0 ? " (error " + std::to_string(t.outcome.fatal_code) + ")"
                                          : std::string())
            << "\n";
  } else if (!t.bytes_same) {
    env.err << kPrefix << "the sources do not compile back to the same bytes:\n";
    for (const Difference& d : t.differences) env.err << "  " << d.text << "\n";
    env.err << "the records that differ (compiled files \u2192 these sources):\n";
    for (const std::string& r : t.records) env.err << "  " << r << "\n";
    if (t.differing_records > t.records.size())
      env.err << "  and " << t.differing_records - t.records.size() << " more\n";
  } else {
    env.err << kPrefix
            << "the sources compile to the same bytes only with errors recorded, which `compile` "
               "writes only with --write-on-error:\n";
  }
  for (const RecordedCode& c : t.codes) {
    env.err << "  error " << c.code;
    if (c.position) env.err << " at " << *c.position << " m";
    env.err << ": " << (c.message.empty() ? c.detail : c.message) << "\n";
  }
  for (const PassCode& c : t.pass_codes)
    env.err << "  error " << c.code << " at " << c.position << " m\n";
  env.err << "the rows concerned carry a comment `-- doubtful`\n";
}

}  // namespace

int decompile_command(const DecompileOptions& o, Environment& env) {
  std::string route_file;
  try {
    route_file = route_file_of(o.input, env, kPrefix);
  } catch (const ScenarioReadFailure&) {
    return exit_status::kUsage;  // reported
  }
  const CompanionFiles companions = *companion_files(route_file);

  std::string route, items, track_plan;
  bool have_track_plan = false;
  try {
    route = env.files.read(route_file);
    items = env.files.read(companions.item_file);
    if (env.files.exists(companions.track_plan_file)) {
      track_plan = env.files.read(companions.track_plan_file);
      have_track_plan = true;
    }
  } catch (const FileError& e) {
    env.err << kPrefix << "cannot read " << e.path() << ": " << e.reason() << "\n";
    return exit_status::kFileFailure;
  }

  CompiledBytes bytes{route, items, std::nullopt};
  if (have_track_plan) bytes.track_plan = track_plan;
  RoundTrip t;
  RefusedFile refused;
  if (!round_trip(bytes, &t, &refused)) {
    const std::string& path = refused.kind == CompiledFileKind::kRoute ? route_file
                              : refused.kind == CompiledFileKind::kItems
                                  ? companions.item_file
                                  : companions.track_plan_file;
    env.err << kPrefix << refusal_message(path, refused.kind, refused.error) << "\n";
    return exit_status::kFileFailure;
  }
  if (!nameable(t.sources.scenario, t.sources.treno)) {
    env.err << kPrefix << "the item file names the scenario \"" << t.sources.scenario
            << "\" and the train \"" << t.sources.treno
            << "\", which no pair of source names gives back; nothing was written\n";
    return exit_status::kScenarioErrors;
  }
  const FileNames names{t.sources.scenario, t.sources.treno};
  const auto path_of = [&](const std::string& name) {
    return (std::filesystem::path(o.directory) / name).string();
  };

  if (!o.check) {
    // An author's sources are never replaced unless asked.
    if (!o.force) {
      for (const std::string& name : {names.line_source(), names.train_source()}) {
        if (env.files.exists(path_of(name))) {
          env.err << kPrefix << path_of(name)
                  << " is already there and is left as it is; give --force to overwrite it, or "
                     "choose another directory with -o\n";
          return exit_status::kFileFailure;
        }
      }
    }
    try {
      env.files.create_directories(o.directory);
      const std::string line = t.sources.line.text();
      const std::string train = t.sources.train.text();
      const auto whole = [](const std::string& text) -> FileSystem::Pieces {
        return [&text](const auto& piece) { piece(0, text); };
      };
      env.files.write_set({{path_of(names.line_source()), line.size(), whole(line)},
                           {path_of(names.train_source()), train.size(), whole(train)}});
    } catch (const FileError& e) {
      env.err << kPrefix << e.what() << "\n";
      return exit_status::kFileFailure;
    }
    for (const std::string& name : {names.line_source(), names.train_source()})
      env.out << "wrote " << path_of(name) << "\n";
  }

  if (!t.same()) {
    say_what_differs(t, env);
    return exit_status::kScenarioErrors;
  }
  env.out << (o.check ? "checked: " : "") << "the sources compile to the same "
          << (have_track_plan ? "three" : "two") << " files byte for byte";
  if (!have_track_plan) env.out << " (with --no-track-plan: there is no track plan, so no curve)";
  env.out << "\n";
  return exit_status::kOk;
}

}  // namespace sb

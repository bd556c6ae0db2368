// scenario-builder view DIR|ROUTE.dat -o FILE.html: the viewer of a compiled
// scenario, one self-contained HTML page.
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "compiler/compiled_files.h"
#include "platform/file_system.h"
#include "sources/file_names.h"
#include "tools/commands.h"
#include "tools/dump.h"
#include "tools/scenario_files.h"
#include "tools/view.h"

namespace sb {

namespace {

constexpr const char* kPrefix = "scenario-builder view: ";

// The last component of a path, for the page's heading.
std::string file_name(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int view_command(const ViewOptions& o, Environment& env) {
  ViewData d;
  try {
    const std::string route = route_file_of(o.scenario, env, kPrefix);
    CompiledScenario s = read_compiled_scenario(route, env, kPrefix);
    d.percorso = std::move(s.percorso);
    d.oggetti = s.oggetti;
    d.source = file_name(route);
    const CompanionFiles companions = *companion_files(route);
    if (s.track_plan) {
      std::vector<TrackValue> x;
      std::vector<TrackValue> y;
      FormatError e;
      // Well-formed, as read_compiled_scenario checked.
      if (decode_track_plan(*s.track_plan, &x, &y, &e)) {
        d.plan_x = std::move(x);
        d.plan_y = std::move(y);
      }
    } else {
      // The profile and the timetable are worth seeing without the plan.
      d.plan_note = "No track plan: " + file_name(companions.track_plan_file) +
                    " was not found beside the route file.";
      env.err << kPrefix << "no track plan " << companions.track_plan_file
              << ": the page has no plan of the line\n";
    }
  } catch (const ScenarioReadFailure& f) {
    switch (f.cause) {
      case ScenarioReadFailure::Cause::kNotFound:
        return exit_status::kUsage;
      case ScenarioReadFailure::Cause::kUnreadable:
        return exit_status::kFileFailure;
      case ScenarioReadFailure::Cause::kRefused:
        break;
    }
    return exit_status::kScenarioErrors;
  }

  const std::string page = view_page(d);
  if (o.output == "-") {
    env.out.write(page.data(), static_cast<std::streamsize>(page.size()));
    env.out.flush();
    return exit_status::kOk;
  }
  try {
    env.files.write(o.output, page);
  } catch (const FileError& e) {
    env.err << kPrefix << "cannot write " << e.path() << ": " << e.reason() << "\n";
    return exit_status::kFileFailure;
  }
  return exit_status::kOk;
}

}  // namespace sb

// scenario-builder plot ROUTE.dat -o FILE.svg [--from KM] [--to KM]: draws a
// compiled scenario, or a stretch of it, from its route file and the item
// file and track plan beside it.
#include <cmath>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "compiler/compiled_files.h"
#include "platform/file_system.h"
#include "sources/file_names.h"
#include "tools/commands.h"
#include "tools/dump.h"
#include "tools/plot.h"
#include "tools/plot_page.h"

namespace sb {

namespace {

constexpr const char* kPrefix = "scenario-builder plot: ";

// Reads a file; on failure reports it and returns nothing.
std::optional<std::string> read_file(const std::string& path, Environment& env) {
  try {
    return env.files.read(path);
  } catch (const FileError& e) {
    env.err << kPrefix << "cannot read " << e.path() << ": " << e.reason() << "\n";
    return std::nullopt;
  }
}

void report_refusal(const std::string& path, CompiledFileKind kind, const FormatError& e,
                    Environment& env) {
  env.err << kPrefix << refusal_message(path, kind, e) << "\n";
}

}  // namespace

// A kilometre as an author typed it: "12.5", "170".
std::string km_value(double km) {
  std::string s = plot::fixed_decimals(km, 3);
  if (s.find('.') != std::string::npos) {
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

// What is wrong with the stretch asked for, or "" when it is a stretch of
// the line. Without the line's length only the order of the two ends and
// their being numbers are checked.
std::string stretch_fault(const PlotOptions& o, std::optional<double> line_km) {
  for (const auto& [name, km] : {std::pair{"--from", o.from_km}, std::pair{"--to", o.to_km}}) {
    if (km && !std::isfinite(*km)) return std::string(name) + " needs a number of kilometres";
    if (km && *km < 0) {
      return std::string(name) + " " + km_value(*km) + ": the line starts at kilometre 0";
    }
  }
  if (o.from_km && o.to_km && !(*o.from_km < *o.to_km)) {
    return "--from " + km_value(*o.from_km) + " must come before --to " + km_value(*o.to_km);
  }
  if (!line_km) return "";
  const std::string end = "the line ends at kilometre " + km_value(*line_km);
  if (o.from_km && !(*o.from_km < *line_km)) {
    return "--from " + km_value(*o.from_km) + " is not before the end of the line: " + end;
  }
  if (o.to_km && *o.to_km > *line_km) {
    return "--to " + km_value(*o.to_km) + " is beyond the end of the line: " + end;
  }
  if (o.to_km && !(*o.to_km > 0)) return "--to 0 leaves nothing to draw";
  return "";
}

int plot_command(const PlotOptions& o, Environment& env) {
  // The plot writes SVG only; a picture file is made from it by a converter.
  const auto ends_with_png = [](const std::string& name) {
    if (name.size() < 4) return false;
    std::string suffix = name.substr(name.size() - 4);
    for (char& c : suffix) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return suffix == ".png";
  };
  if (ends_with_png(o.output)) {
    env.err << kPrefix << o.output
            << ": the plot is written as SVG only, never as PNG; write an .svg file and convert "
               "it, for example with `rsvg-convert -o "
            << o.output << " " << o.output.substr(0, o.output.size() - 4) << ".svg`\n";
    return exit_status::kUsage;
  }
  if (const std::string fault = stretch_fault(o, std::nullopt); !fault.empty()) {
    env.err << kPrefix << fault << "\n";
    return exit_status::kUsage;
  }
  const std::optional<CompanionFiles> companions = companion_files(o.route_file);
  if (!companions) {
    env.err << kPrefix << o.route_file
            << ": not the name of a route file\n"
               "The route file is named ID_NUM.dat; its item file ID_NUM.sim and its track plan "
               "ID_linea.dat are read from the same directory.\n"
               "Usage: scenario-builder plot ROUTE.dat -o FILE.svg [--from KM] [--to KM]\n";
    return exit_status::kUsage;
  }

  PlotData d;
  FormatError fault;
  const std::optional<std::string> route_bytes = read_file(o.route_file, env);
  if (!route_bytes) return exit_status::kScenarioErrors;
  if (!decode_route_file(*route_bytes, &d.percorso, &fault)) {
    report_refusal(o.route_file, CompiledFileKind::kRoute, fault, env);
    return exit_status::kScenarioErrors;
  }
  const std::optional<std::string> item_bytes = read_file(companions->item_file, env);
  if (!item_bytes) return exit_status::kScenarioErrors;
  if (!decode_items(*item_bytes, &d.oggetti, &fault)) {
    report_refusal(companions->item_file, CompiledFileKind::kItems, fault, env);
    return exit_status::kScenarioErrors;
  }

  const double line_end = plot_line_end(d);
  if (const std::string fault = stretch_fault(o, line_end / 1000); !fault.empty()) {
    env.err << kPrefix << o.route_file << ": " << fault << "\n";
    return exit_status::kUsage;
  }
  if (o.from_km) d.from = *o.from_km * 1000;
  if (o.to_km) d.to = *o.to_km * 1000;

  // The track plan is optional: a scenario compiled without it still has a
  // profile worth seeing. A track plan that is there but damaged is refused
  // like any other file.
  if (env.files.exists(companions->track_plan_file)) {
    const std::optional<std::string> track_plan_bytes = read_file(companions->track_plan_file, env);
    if (!track_plan_bytes) return exit_status::kScenarioErrors;
    LinePlan plan;
    if (!decode_track_plan(*track_plan_bytes, &plan.x, &plan.y, &fault)) {
      report_refusal(companions->track_plan_file, CompiledFileKind::kTrackPlan, fault, env);
      return exit_status::kScenarioErrors;
    }
    d.plan = std::move(plan);
  } else {
    d.plan_note =
        "No track plan: " + companions->track_plan_file + " was not found beside the route file.";
    env.err << kPrefix << "no track plan " << companions->track_plan_file
            << ": the picture has no plan of the line\n";
  }

  if (o.output == "-") {
    const std::string svg = draw_scenario(d);
    env.out.write(svg.data(), static_cast<std::streamsize>(svg.size()));
    env.out.flush();
    return exit_status::kOk;
  }
  try {
    env.files.write(o.output, draw_scenario(d));
  } catch (const FileError& e) {
    env.err << kPrefix << "cannot write " << e.path() << ": " << e.reason() << "\n";
    return exit_status::kScenarioErrors;
  }
  return exit_status::kOk;
}

}  // namespace sb

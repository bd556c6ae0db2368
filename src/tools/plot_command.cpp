// scenario-builder plot ROUTE.dat -o FILE.svg: draws a compiled scenario from
// its route file and the item file and track plan beside it.
#include <optional>
#include <ostream>
#include <string>

#include "compiler/compiled_files.h"
#include "platform/file_system.h"
#include "tools/commands.h"
#include "tools/dump.h"
#include "tools/plot.h"

namespace sb {

namespace {

constexpr const char* kPrefisso = "scenario-builder plot: ";

// Reads a file; on failure reports it and returns nothing.
std::optional<std::string> leggi(const std::string& path, Environment& a) {
  try {
    return a.files.read(path);
  } catch (const FileError& e) {
    a.err << kPrefisso << "cannot read " << e.path() << ": " << e.reason() << "\n";
    return std::nullopt;
  }
}

void rifiutato(const std::string& path, CompiledFileKind g, const FormatError& e, Environment& a) {
  a.err << kPrefisso << refusal_message(path, g, e) << "\n";
}

}  // namespace

int plot_command(const PlotOptions& o, Environment& a) {
  const std::optional<CompanionFiles> accanto = companion_files(o.route_file);
  if (!accanto) {
    a.err << kPrefisso << o.route_file
          << ": not the name of a route file\n"
             "The route file is named ID_NUM.dat; its item file ID_NUM.sim and its track plan "
             "ID_linea.dat are read from the same directory.\n"
             "Usage: scenario-builder plot ROUTE.dat -o FILE.svg\n";
    return exit_status::kUsage;
  }

  PlotData d;
  FormatError errore;
  const std::optional<std::string> percorso = leggi(o.route_file, a);
  if (!percorso) return exit_status::kScenarioErrors;
  if (!decode_route(*percorso, &d.percorso, &errore)) {
    rifiutato(o.route_file, CompiledFileKind::kRoute, errore, a);
    return exit_status::kScenarioErrors;
  }
  const std::optional<std::string> oggetti = leggi(accanto->item_file, a);
  if (!oggetti) return exit_status::kScenarioErrors;
  if (!decode_items(*oggetti, &d.oggetti, &errore)) {
    rifiutato(accanto->item_file, CompiledFileKind::kItems, errore, a);
    return exit_status::kScenarioErrors;
  }

  // The track plan is optional: a scenario compiled without it still has a
  // profile worth seeing. A track plan that is there but damaged is refused
  // like any other file.
  if (a.files.exists(accanto->track_plan_file)) {
    const std::optional<std::string> tracciato = leggi(accanto->track_plan_file, a);
    if (!tracciato) return exit_status::kScenarioErrors;
    LinePlan pianta;
    if (!decode_track_plan(*tracciato, &pianta.x, &pianta.y, &errore)) {
      rifiutato(accanto->track_plan_file, CompiledFileKind::kTrackPlan, errore, a);
      return exit_status::kScenarioErrors;
    }
    d.plan = std::move(pianta);
  } else {
    d.plan_note =
        "No track plan: " + accanto->track_plan_file + " was not found beside the route file.";
    a.err << kPrefisso << "no track plan " << accanto->track_plan_file
          << ": the picture has no plan of the line\n";
  }

  try {
    a.files.write(o.output, draw_scenario(d));
  } catch (const FileError& e) {
    a.err << kPrefisso << "cannot write " << e.path() << ": " << e.reason() << "\n";
    return exit_status::kScenarioErrors;
  }
  return exit_status::kOk;
}

}  // namespace sb

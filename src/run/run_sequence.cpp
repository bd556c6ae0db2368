#include "run/run_sequence.h"

#include <string>

#include "compiler/compile_step.h"
#include "compiler/error_codes.h"
#include "documents/route_notes.h"
#include "documents/slowdown_form.h"
#include "documents/train_card.h"
#include "platform/exit_status.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "run/disk_sources.h"
#include "run/errore.h"
#include "sources/file_names.h"
#include "sources/line_source.h"
#include "sources/righe.h"
#include "sources/train_source.h"
#include "tools/compiled_output.h"

namespace sb {

namespace {

void sequence(Platform& platform, FileSystem& files) {
  // The model's cells and track plan runs live on the heap; the model itself
  // is small.
  RouteModel m;
  m.scenario = kBuiltinScenario;
  m.treno = kBuiltinTrain;
  const FileNames names{m.scenario, m.treno};
  platform.show_waiting_window();
  const std::string directory = platform.executable_directory();
  auto path_of = [&](const std::string& name) { return platform.join(directory, name); };

  scrivi_righe(dati_linea(), path_of(names.line_source()), files);
  scrivi_righe(dati_treno(), path_of(names.train_source()), files);
  scrivi_righe(dati_note(), path_of(names.notes()), files);
  scrivi_righe(dati_rallentamenti(), path_of(names.slowdown_form()), files);
  scrivi_righe(dati_scheda(), path_of(names.train_card()), files);

  DiskSources sources(files, path_of(names.line_source()), path_of(names.train_source()));
  const CompileOutcome outcome = memorizza_percorso(m, sources, TrackPlanOutput::kWrite);
  switch (outcome.kind) {
    case CompileOutcome::Kind::kComplete:
      write_compiled_files(m, names, path_of, files);
      return;
    case CompileOutcome::Kind::kFatal:
      errore(platform, std::to_string(outcome.fatal_code));
    case CompileOutcome::Kind::kNoCells:
      platform.report_failure(
          path_of(names.line_source()) + ": error " + std::to_string(m.codice_errore) + ", " +
          error_message(m.codice_errore) + ": the line has no cells, no compiled file was written");
  }
}

}  // namespace

int run_sequence(Platform& platform, FileSystem& files) {
  try {
    sequence(platform, files);
  } catch (const FileError& e) {
    platform.report_failure(e.what());
  }
  platform.close_waiting_window();
  return exit_status::kOk;
}

}  // namespace sb

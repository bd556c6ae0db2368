#include "run/run_sequence.h"

#include <memory>
#include <string>

#include "compiler/compile_step.h"
#include "compiler/error_codes.h"
#include "documents/route_notes.h"
#include "documents/slowdown_form.h"
#include "documents/train_card.h"
#include "run/compiled_output.h"
#include "run/disk_sources.h"
#include "run/file_system.h"
#include "run/platform.h"
#include "sources/file_names.h"
#include "sources/line_source.h"
#include "sources/righe.h"
#include "sources/train_source.h"

namespace sb {

namespace {

void sequenza(Platform& platform, FileSystem& files) {
  // The route model is large (one cell per 50 m, one track point per metre):
  // it lives on the heap for the length of the run.
  auto m = std::make_unique<RouteModel>();
  m->scenario = kScenario;
  m->treno = kTreno;
  const NomiFile nomi{m->scenario, m->treno};
  platform.show_waiting_window();
  const std::string cartella = platform.executable_directory();
  auto percorso_di = [&](const std::string& nome) { return platform.join(cartella, nome); };

  scrivi_righe(dati_linea(), percorso_di(nomi.sorgente_linea()), files);
  scrivi_righe(dati_treno(), percorso_di(nomi.sorgente_treno()), files);
  scrivi_righe(dati_note(), percorso_di(nomi.note()), files);
  scrivi_righe(dati_rallentamenti(), percorso_di(nomi.rallentamenti()), files);
  scrivi_righe(dati_scheda(), percorso_di(nomi.scheda_treno()), files);

  DiskSources sorgenti(files, percorso_di(nomi.sorgente_linea()),
                       percorso_di(nomi.sorgente_treno()));
  switch (memorizza_percorso(*m, sorgenti, 1)) {
    case EsitoCompilazione::kCompleto:
      scrivi_compilati(*m, nomi, percorso_di, files);
      return;
    case EsitoCompilazione::kGuardia1250:
      platform.errore(std::to_string(kGuardiaCostanti));
      return;
    case EsitoCompilazione::kGuardia1251:
      platform.errore(std::to_string(kGuardiaCodici));
      return;
    case EsitoCompilazione::kSenzaPercorso:
      platform.report_failure(percorso_di(nomi.sorgente_linea()) + ": error " +
                              std::to_string(m->codice_errore) + ", " +
                              messaggio_errore(m->codice_errore) +
                              ": the line has no cells, no compiled file was written");
  }
}

}  // namespace

int esegui_run(Platform& platform, FileSystem& files) {
  try {
    sequenza(platform, files);
  } catch (const FileError& e) {
    platform.report_failure(e.what());
  }
  platform.close_waiting_window();
  return 0;
}

}  // namespace sb

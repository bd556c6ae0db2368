#include "run/run_sequence.h"

#include "run/file_system.h"
#include "run/platform.h"
#include "sources/file_names.h"
#include "sources/line_source.h"
#include "sources/righe.h"

namespace sb {

namespace {

void sequenza(Platform& platform, FileSystem& files) {
  const NomiFile nomi{kScenario, kTreno};
  platform.show_waiting_window();
  const std::string cartella = platform.executable_directory();
  auto percorso_di = [&](const std::string& nome) { return platform.join(cartella, nome); };

  scrivi_righe(dati_linea(), percorso_di(nomi.sorgente_linea()), files);
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

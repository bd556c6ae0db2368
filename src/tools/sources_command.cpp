// `scenario-builder sources`: the built-in line and train sources, written
// for authors to start from.
#include <filesystem>

#include "run/file_system.h"
#include "run/run_sequence.h"
#include "sources/file_names.h"
#include "sources/line_source.h"
#include "sources/train_source.h"
#include "tools/commands.h"

namespace sb {

int comando_sources(const OpzioniSources& o, Ambiente& a) {
  const NomiFile nomi{kScenario, kTreno};
  try {
    a.files.create_directories(o.cartella);
    for (const auto& [nome, righe] : {std::pair{nomi.sorgente_linea(), dati_linea()},
                                      std::pair{nomi.sorgente_treno(), dati_treno()}}) {
      const std::string percorso = (std::filesystem::path(o.cartella) / nome).string();
      scrivi_righe(righe, percorso, a.files);
      a.out << "wrote " << percorso << "\n";
    }
  } catch (const FileError& e) {
    a.err << "scenario-builder sources: " << e.what() << "\n";
    return kEsitoErrori;
  }
  return kEsitoOk;
}

}  // namespace sb

// scenario-builder plot ROUTE.dat -o FILE.svg: draws a compiled scenario from
// its route file and the item file and track plan beside it.
#include <optional>
#include <ostream>
#include <string>

#include "compiler/compiled_files.h"
#include "run/file_system.h"
#include "tools/commands.h"
#include "tools/dump.h"
#include "tools/plot.h"

namespace sb {

namespace {

constexpr const char* kPrefisso = "scenario-builder plot: ";

// Reads a file; on failure reports it and returns nothing.
std::optional<std::string> leggi(const std::string& path, Ambiente& a) {
  try {
    return a.files.read(path);
  } catch (const FileError& e) {
    a.err << kPrefisso << "cannot read " << e.path() << ": " << e.reason() << "\n";
    return std::nullopt;
  }
}

void rifiutato(const std::string& path, GenereFile g, const ErroreFormato& e, Ambiente& a) {
  a.err << kPrefisso << messaggio_rifiuto(path, g, e) << "\n";
}

}  // namespace

int comando_plot(const OpzioniPlot& o, Ambiente& a) {
  const std::optional<FileAccanto> accanto = file_accanto(o.percorso);
  if (!accanto) {
    a.err << kPrefisso << o.percorso
          << ": not the name of a route file\n"
             "The route file is named ID_NUM.dat; its item file ID_NUM.sim and its track plan "
             "ID_linea.dat are read from the same directory.\n"
             "Usage: scenario-builder plot ROUTE.dat -o FILE.svg\n";
    return kEsitoUso;
  }

  DatiGrafico d;
  ErroreFormato errore;
  const std::optional<std::string> percorso = leggi(o.percorso, a);
  if (!percorso) return kEsitoErrori;
  if (!decodifica_percorso(*percorso, &d.percorso, &errore)) {
    rifiutato(o.percorso, GenereFile::kPercorso, errore, a);
    return kEsitoErrori;
  }
  const std::optional<std::string> oggetti = leggi(accanto->oggetti, a);
  if (!oggetti) return kEsitoErrori;
  if (!decodifica_oggetti(*oggetti, &d.oggetti, &errore)) {
    rifiutato(accanto->oggetti, GenereFile::kOggetti, errore, a);
    return kEsitoErrori;
  }

  // The track plan is optional: a scenario compiled without it still has a
  // profile worth seeing. A track plan that is there but damaged is refused
  // like any other file.
  if (a.files.exists(accanto->tracciato)) {
    const std::optional<std::string> tracciato = leggi(accanto->tracciato, a);
    if (!tracciato) return kEsitoErrori;
    PiantaLinea pianta;
    if (!decodifica_tracciato(*tracciato, &pianta.x, &pianta.y, &errore)) {
      rifiutato(accanto->tracciato, GenereFile::kTracciato, errore, a);
      return kEsitoErrori;
    }
    d.pianta = std::move(pianta);
  } else {
    d.nota_pianta =
        "No track plan: " + accanto->tracciato + " was not found beside the route file.";
    a.err << kPrefisso << "no track plan " << accanto->tracciato
          << ": the picture has no plan of the line\n";
  }

  try {
    a.files.write(o.uscita, disegna_scenario(d));
  } catch (const FileError& e) {
    a.err << kPrefisso << "cannot write " << e.path() << ": " << e.reason() << "\n";
    return kEsitoErrori;
  }
  return kEsitoOk;
}

}  // namespace sb

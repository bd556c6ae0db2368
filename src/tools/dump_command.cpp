// scenario-builder dump FILE [--json]: prints every record of a compiled file.
#include <optional>
#include <ostream>
#include <string>

#include "run/file_system.h"
#include "tools/commands.h"
#include "tools/dump.h"

namespace sb {

int comando_dump(const OpzioniDump& o, Ambiente& a) {
  const std::optional<GenereFile> genere = genere_da_nome(o.file);
  if (!genere) {
    a.err << "scenario-builder dump: " << o.file
          << ": not the name of a compiled file\n"
             "The kind of file is told by its name: ID_linea.dat (track plan), ID_NUM.sim "
             "(item file), ID_NUM.dat (route file).\n"
             "Usage: scenario-builder dump FILE [--json]\n";
    return kEsitoUso;
  }
  std::string bytes;
  try {
    bytes = a.files.read(o.file);
  } catch (const FileError& e) {
    a.err << "scenario-builder dump: cannot read " << e.path() << ": " << e.reason() << "\n";
    return kEsitoErrori;
  }
  std::string testo;
  ErroreFormato errore;
  if (!descrivi_file(*genere, bytes, o.json, &testo, &errore)) {
    a.err << "scenario-builder dump: " << messaggio_rifiuto(o.file, *genere, errore) << "\n";
    return kEsitoErrori;
  }
  a.out.write(testo.data(), static_cast<std::streamsize>(testo.size()));
  a.out.flush();
  return kEsitoOk;
}

}  // namespace sb

#include "run/compiled_output.h"

#include "compiler/compiled_files.h"

namespace sb {

std::vector<std::string> scrivi_compilati(
    const RouteModel& m, const NomiFile& nomi,
    const std::function<std::string(const std::string&)>& percorso_di, FileSystem& files) {
  std::vector<std::string> scritti;
  auto scrivi = [&](const std::string& nome, const std::string& bytes) {
    files.write(percorso_di(nome), bytes);
    scritti.push_back(nome);
  };
  if (m.scrivi_linea != 0) scrivi(nomi.tracciato(), serializza_tracciato(m.tracciato));
  scrivi(nomi.oggetti(), serializza_oggetti(m.oggetti));
  scrivi(nomi.percorso(), serializza_percorso(m.percorso));
  return scritti;
}

}  // namespace sb

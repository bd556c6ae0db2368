#include "run/compiled_output.h"

#include "compiler/compiled_files.h"

namespace sb {

std::vector<std::string> scrivi_compilati(
    const RouteModel& m, const NomiFile& nomi,
    const std::function<std::string(const std::string&)>& percorso_di, FileSystem& files) {
  std::vector<std::string> scritti;
  auto scrivi = [&](const std::string& nome, std::uint64_t dimensione,
                    const FileSystem::Pezzi& pezzi) {
    files.write_pieces(percorso_di(nome), dimensione, pezzi);
    scritti.push_back(nome);
  };
  // The track plan and the route grow with the line: they are written piece
  // by piece as they are produced, never held whole, into room set aside for
  // their known size.
  if (m.scrivi_linea != 0) {
    scrivi(nomi.tracciato(), dimensione_tracciato(m.tracciato),
           [&](const auto& pezzo) { serializza_tracciato(m.tracciato, pezzo); });
  }
  scrivi(nomi.oggetti(), 0, [&](const auto& pezzo) { pezzo(0, serializza_oggetti(m.oggetti)); });
  scrivi(nomi.percorso(), m.percorso.size() * kByteCella,
         [&](const auto& pezzo) { serializza_percorso(m.percorso, pezzo); });
  return scritti;
}

}  // namespace sb

#include "tools/diagnostics.h"

#include <algorithm>

#include "compiler/error_codes.h"

namespace sb {

bool codice_con_posizione(Long codice) {
  switch (codice) {
    case kCartelloOccupato:
    case kAbbattimentoOccupato:
    case kStazioneNonMultipla50:
    case kStazioneLunghezza:
    case kMarcaSegnaleAvviso:
    case kMarcaPrimaRallentamento:
    case kMarcaNelRallentamento:
    case kFuoriPercorso:
    case kSegnaleOccupato:
    case kAvvisoOccupato:
    case kInizioOccupato:
    case kFineOccupata:
    case kPrimaAvvisoOccupate:
    case kIndicatoriOccupati:
    case kStazioniVicine:
    case kPrimaDellInizio:
    case kOltreLaFine:
    case kTroppiCartelli:
    case kTroppeMontagne:
    case kCurvaOltreTracciato:
      return true;
    default:
      return false;
  }
}

namespace {

// The cell that a code's position points at, where the author can use it.
std::optional<std::int64_t> cella_del_codice(Long codice, Long p) {
  switch (codice) {
    case kCartelloOccupato:
    case kSegnaleOccupato:
    case kInizioOccupato:
    case kIndicatoriOccupati:
      return indice_cella(p);
    case kAbbattimentoOccupato:
      return arrotonda(p / 50.0);
    case kAvvisoOccupato:
      return arrotonda((p - 1200.0) / 50.0 + 1);
    case kMarcaSegnaleAvviso:
    case kMarcaPrimaRallentamento:
    case kMarcaNelRallentamento:
      return p / 50;
    default:
      return std::nullopt;
  }
}

std::string messaggio_con_posizione(const RouteModel& m, Long codice, Long p) {
  std::string testo = messaggio_errore(codice) + ", at " + std::to_string(p) + " m";
  if (const auto c = cella_del_codice(codice, p)) testo += " (cell " + std::to_string(*c) + ")";
  if (codice == kFuoriPercorso && m.ha_percorso()) {
    testo += ": the last cell is " + std::to_string(m.ultima_cella()) +
             ", so rows may stand up to " +
             std::to_string(std::int64_t{m.ultima_cella()} * 50 - 100) + " m (stations up to " +
             std::to_string(std::int64_t{m.ultima_cella()} * 50 - 800) + " m)";
  }
  return testo;
}

// The row of a signal or slowdown whose cell a code of the pass names: the
// element in that cell, else the nearest one before it.
const ElementoLetto* elemento_per_cella(const std::vector<ElementoLetto>& elementi, Long c) {
  const ElementoLetto* scelto = nullptr;
  for (const ElementoLetto& e : elementi) {
    if (e.cella <= c && (scelto == nullptr || e.cella >= scelto->cella)) scelto = &e;
  }
  return scelto;
}

}  // namespace

std::vector<Diagnostica> raccogli_diagnostiche(const RouteModel& m, const Resoconto& esito,
                                               const std::string& file_linea,
                                               const std::string& file_treno) {
  const ReaderReport& r = esito.lettura;
  auto nome = [&](Sorgente s) { return s == Sorgente::kLinea ? file_linea : file_treno; };
  std::vector<Diagnostica> out;

  for (const CodiceLetto& c : r.codici) {
    Diagnostica d;
    d.codice = c.codice;
    d.posizione = c.posizione;
    d.messaggio = c.posizione ? messaggio_con_posizione(m, d.codice, *c.posizione)
                              : messaggio_errore(d.codice);
    if (!c.dettaglio.empty()) d.messaggio += ": " + c.dettaglio;
    // Only the missing line source and the progressive check have no place.
    d.file = c.luogo ? nome(c.luogo->sorgente) : file_linea;
    if (c.luogo) {
      d.riga = c.luogo->riga;
      d.colonna = c.luogo->colonna;
    }
    out.push_back(d);
  }

  for (const ErrorePassata& e : esito.passata) {
    Diagnostica d;
    d.codice = e.codice;
    d.posizione = e.posizione;
    d.messaggio = messaggio_con_posizione(m, e.codice, e.posizione);
    const Long c = e.posizione / 50;
    const ElementoLetto* el = e.codice == kMarcaSegnaleAvviso
                                  ? elemento_per_cella(r.segnali, c)
                                  : elemento_per_cella(r.rallentamenti, c);
    d.file = file_treno;
    if (el != nullptr) {
      d.riga = el->luogo.riga;
      d.colonna = el->luogo.colonna;
    }
    out.push_back(d);
  }

  for (const Avviso& a : r.avvisi) {
    Diagnostica d;
    d.errore = false;
    d.file = nome(a.luogo.sorgente);
    d.riga = a.luogo.riga;
    d.colonna = a.luogo.colonna;
    d.messaggio = a.testo;
    out.push_back(d);
  }
  return out;
}

std::string formatta(const Diagnostica& d, std::string_view sorgente) {
  // Appended piece by piece: GCC 12 warns wrongly about `"x" + std::to_string(n)`.
  std::string testo = d.file;
  if (d.riga > 0) {
    testo += ':';
    testo += std::to_string(d.riga);
    if (d.colonna > 0) {
      testo += ':';
      testo += std::to_string(d.colonna);
    }
  }
  if (d.errore) {
    testo += ": error ";
    testo += std::to_string(d.codice);
    testo += ": ";
  } else {
    testo += ": warning: ";
  }
  testo += d.messaggio;
  testo += '\n';
  if (d.riga <= 0) return testo;

  // The source line, then a caret under the field (tabs kept so that it lines up).
  std::size_t inizio = 0;
  for (int r = 1; r < d.riga && inizio != std::string_view::npos; ++r) {
    const std::size_t a_capo = sorgente.find_first_of("\r\n", inizio);
    if (a_capo == std::string_view::npos) return testo;
    inizio = a_capo + ((sorgente[a_capo] == '\r' && a_capo + 1 < sorgente.size() &&
                        sorgente[a_capo + 1] == '\n')
                           ? 2
                           : 1);
  }
  if (inizio > sorgente.size()) return testo;
  const std::size_t fine = std::min(sorgente.find_first_of("\r\n", inizio), sorgente.size());
  const std::string_view riga = sorgente.substr(inizio, fine - inizio);
  testo += std::string(riga) + "\n";
  if (d.colonna > 0) {
    std::string segno;
    for (std::size_t i = 0; i + 1 < static_cast<std::size_t>(d.colonna) && i < riga.size(); ++i)
      segno += riga[i] == '\t' ? '\t' : ' ';
    testo += segno + "^\n";
  }
  return testo;
}

}  // namespace sb

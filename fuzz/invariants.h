// One compilation of arbitrary bytes, and the properties its result must have
// whatever the bytes are. The fuzzer aborts on the first violation; the
// regression test runs every input that ever broke one through the same check.
//
// An input is a flag byte, then the two sources. The flag is the argument j
// of the compile step: an odd byte asks for the track plan ("1" does, "0"
// does not), so that both ways of reading a curve row are explored (without
// the track plan its fields are dropped one by one). The rest of the input is
// split at its first NUL byte: the bytes before it are the line source, the
// bytes after it the train source. Without a NUL byte it is all line source
// and there is no train source at all.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/check_codes.h"
#include "compiler/compile_step.h"
#include "compiler/compiled_files.h"
#include "compiler/error_codes.h"
#include "compiler/memory_sources.h"
#include "compiler/route_model.h"
#include "compiler/source_reader.h"

namespace sb::fuzz {

// The largest input the fuzzer is given (its -max_len); longer inputs are
// ignored rather than checked slowly.
inline constexpr std::size_t kMassimoIngresso = 64 * 1024;

// The longest track plan (in metres) whose points are checked and whose file
// is written and read back; of a longer one only the extent is checked. Every
// plan has the same shape, and a round trip of one with a million points
// would slow the fuzzer a hundredfold.
inline constexpr Long kMassimoPuntiRiletti = 10000;

// The flag and the two sources of one input.
struct Ingresso {
  Long j = 0;
  std::string linea;
  std::optional<std::string> treno;
};

inline Ingresso dividi(std::string_view dati) {
  Ingresso in;
  if (dati.empty()) return in;
  in.j = (static_cast<unsigned char>(dati[0]) & 1) != 0 ? 1 : 0;
  dati.remove_prefix(1);
  const std::size_t nul = dati.find('\0');
  in.linea = std::string(dati.substr(0, nul));
  if (nul != std::string_view::npos) in.treno = std::string(dati.substr(nul + 1));
  return in;
}

// The input that dividi() splits into these parts.
inline std::string componi(Long j, std::string_view linea, std::optional<std::string_view> treno) {
  std::string dati(1, j != 0 ? '1' : '0');
  dati += linea;
  if (treno) {
    dati += '\0';
    dati += *treno;
  }
  return dati;
}

namespace dettaglio {

inline std::string cella_errata(std::size_t i, const cella& c, const char* cosa) {
  return "cell " + std::to_string(i) + " of kind " + std::to_string(c.genere) + ": " + cosa +
         " (dato1 = " + std::to_string(c.dato1) + ")";
}

// What must hold of the model whenever it has cells, whatever the outcome.
inline std::string verifica_modello(const RouteModel& m) {
  const Long lunghezza = m.lunghezza_estesa - kCoda;
  if (lunghezza < 0 || lunghezza > kLunghezzaMassima)
    return "the route was built for a line length of " + std::to_string(lunghezza) + " m";
  const std::size_t celle = static_cast<std::size_t>(numero_ultima_cella(lunghezza)) + 1;
  if (m.percorso.size() != celle) {
    return "the route has " + std::to_string(m.percorso.size()) + " cells, a line of " +
           std::to_string(lunghezza) + " m has " + std::to_string(celle);
  }
  if (m.codice_errore == kNessunErrore && m.oggetti[84].valore_b != lunghezza) {
    return "a clean compilation whose route is for " + std::to_string(lunghezza) +
           " m while item 84 gives " + std::to_string(m.oggetti[84].valore_b) + " m";
  }
  if (m.n_montagne < 0 || m.n_montagne > kMassimoMontagne)
    return "n_montagne = " + std::to_string(m.n_montagne);
  for (std::size_t i = 0; i < m.percorso.size(); ++i) {
    const cella& c = m.percorso[i];
    switch (c.genere) {
      case kLibera:
      case kSegnale:
      case kFineRallentamento:
      case kInizioRallentamento:
      case kAvvisoRallentamento:
      case kPrimaAvviso:
      case kIndicatoriVmax:
      case kMarcaMontagna:
      case kAbbattimento:
      case kAbbattimentoSenzaValore:
        break;
      case kFineStazione:
        if (c.dato1 < 1 || c.dato1 >= kNumeroOggetti)
          return cella_errata(i, c, "a station end whose item is not a station item");
        break;
      case kCartello:
        if (c.dato1 < 0 || c.dato1 >= kNumeroOggetti)
          return cella_errata(i, c, "a sign whose item is outside the item table");
        break;
      default:
        return cella_errata(i, c, "a kind that no writer produces");
    }
  }
  return {};
}

// Serialises the complete model, decodes the bytes and compares.
inline std::string verifica_file(const RouteModel& m) {
  if (m.percorso.at(1).dato1 != kCostantePercorso || m.oggetti[85].parametro1 != kCostanteOggetti)
    return "the reserved constants are not in place";
  if (m.oggetti[85].valore_d != codice_gara_st(m) ||
      m.percorso.at(1).dato2 != low16(codice_gara_og(m)))
    return "the check codes are not in place";

  const std::string percorso = serializza_percorso(m.percorso);
  if (percorso.size() != kByteCella * m.percorso.size()) {
    return "the route file has " + std::to_string(percorso.size()) + " bytes for " +
           std::to_string(m.percorso.size()) + " cells";
  }
  std::vector<cella> celle;
  ErroreFormato err;
  if (!decodifica_percorso(percorso, &celle, &err)) return "route file: " + err.motivo;
  if (celle != m.percorso) return "the route file does not read back as the route";

  const std::string oggetti = serializza_oggetti(m.oggetti);
  auto letti = std::make_unique<std::array<oggetto, kNumeroOggetti>>();
  if (!decodifica_oggetti(oggetti, letti.get(), &err)) return "item file: " + err.motivo;
  if (*letti != m.oggetti) return "the item file does not read back as the 87 items";

  if (m.scrivi_linea == 0) {
    if (m.tracciato.allocato()) return "a track plan that was not asked for";
    return {};
  }
  if (m.tracciato.ultimo_metro() != m.lunghezza_estesa) {
    return "the track plan ends at metre " + std::to_string(m.tracciato.ultimo_metro()) + ", " +
           std::to_string(m.lunghezza_estesa) + " expected";
  }
  if (m.lunghezza_estesa > kMassimoPuntiRiletti) return {};

  const std::size_t punti = static_cast<std::size_t>(m.lunghezza_estesa) + 1;
  const auto& xm = m.tracciato.coordinate(0);
  const auto& ym = m.tracciato.coordinate(1);
  if (xm.size() != punti || ym.size() != punti) {
    return "the track plan has " + std::to_string(xm.size()) + " points, " + std::to_string(punti) +
           " expected";
  }
  for (const auto* asse : {&xm, &ym}) {
    for (const ValoreTracciato& v : *asse) {
      if (!std::isfinite(v.valore)) return "a track plan value that is not finite";
    }
  }

  const std::string tracciato = serializza_tracciato(m.tracciato);
  std::vector<ValoreTracciato> x, y;
  if (!decodifica_tracciato(tracciato, &x, &y, &err)) return "track plan file: " + err.motivo;
  if (x.size() != punti) {
    return "the track plan file has " + std::to_string(2 * x.size()) + " values, " +
           std::to_string(2 * punti) + " expected";
  }
  // Compared bit for bit: the file must give back every Double exactly.
  auto stessi = [](const std::vector<ValoreTracciato>& a, const std::vector<ValoreTracciato>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const ValoreTracciato& u, const ValoreTracciato& v) {
                        return u.tipo == v.tipo && std::bit_cast<std::uint64_t>(u.valore) ==
                                                       std::bit_cast<std::uint64_t>(v.valore);
                      });
  };
  if (!stessi(x, xm) || !stessi(y, ym))
    return "the track plan file does not read back as the track plan";
  return {};
}

}  // namespace dettaglio

// Compiles the two sources in memory with the flag j and checks the result.
// Returns an empty string when every property holds, else what went wrong.
inline std::string verifica_compilazione(Long j, std::optional<std::string> linea,
                                         std::optional<std::string> treno) {
  auto m = std::make_unique<RouteModel>();
  m->scenario = "BORGOLUCE";
  m->treno = "5127";
  SorgentiInMemoria sorgenti(linea ? &*linea : nullptr, treno ? &*treno : nullptr);
  EsitoCompilazione esito;
  try {
    esito = memorizza_percorso(*m, sorgenti, j);
  } catch (const std::exception& e) {
    return std::string("the compile step threw: ") + e.what();
  }
  const auto tabella = tabella_errori();
  if (std::none_of(tabella.begin(), tabella.end(),
                   [&](const VoceErrore& v) { return v.codice == m->codice_errore; }))
    return "codice_errore " + std::to_string(m->codice_errore) + " is not in the table of codes";
  if (sorgenti.esiste(Sorgente::kLinea)) return "the line source was not deleted";

  if (esito == EsitoCompilazione::kSenzaPercorso) {
    if (m->ha_percorso()) return "a route, yet the step found none";
    if (m->codice_errore == kNessunErrore) return "no route and no code that says why";
    return {};
  }
  if (!m->ha_percorso()) return "no route, yet the step went on";
  if (std::string e = dettaglio::verifica_modello(*m); !e.empty()) return e;
  if (esito != EsitoCompilazione::kCompleto) return {};
  try {
    return dettaglio::verifica_file(*m);
  } catch (const std::exception& e) {
    return std::string("writing the compiled files threw: ") + e.what();
  }
}

// The same for one input of the fuzzer.
inline std::string verifica_compilazione(std::string_view dati) {
  Ingresso in = dividi(dati);
  return verifica_compilazione(in.j, std::move(in.linea), std::move(in.treno));
}

}  // namespace sb::fuzz

#include "compiler/source_reader.h"

#include "compiler/input_limits.h"
#include "compiler/reader_state.h"

namespace sb {

bool ReaderState::apri(Sorgente s) {
  std::optional<std::string> testo = sorgenti.carica(s);
  corrente = s;
  if (!testo) return false;
  if (testo->size() > kMassimoSorgente) {
    throw ErroreLimite(kSorgenteTroppoGrande, "a source of " + std::to_string(testo->size()) +
                                                  " bytes, the largest is " +
                                                  std::to_string(kMassimoSorgente));
  }
  testo_ = std::move(*testo);
  lettore.emplace(testo_);
  lettore->su_troncamento = [this](const Campo& campo, int bit, Long v) {
    const Long tenuto = bit == 16 ? Long{low16(v)} : Long{low8(v)};
    avvisa(campo, "the value " + campo.testo + " does not fit its " + std::to_string(bit) +
                      "-bit field and is stored as " + std::to_string(tenuto));
  };
  return true;
}

void ReaderState::avvisa(const Campo& dove, std::string testo) {
  report.avvisi.push_back({Luogo{corrente, dove.riga, dove.colonna}, std::move(testo)});
}

void ReaderState::controlla_ordine(std::optional<Long>* ultima, Long p, const Campo& dove,
                                   const char* profilo) {
  if (*ultima && p < **ultima) {
    avvisa(dove, std::string(profilo) + " row at " + std::to_string(p) +
                     " m comes after a row at " + std::to_string(**ultima) +
                     " m: rows of a profile must be in ascending order");
  }
  *ultima = p;
}

void ReaderState::chiudi_ed_elimina(Sorgente s) {
  lettore.reset();
  sorgenti.elimina(s);
}

void ReaderState::registra(Long codice, const Campo& dove) {
  m.codice_errore = codice;
  report.luogo_errore = Luogo{corrente, dove.riga, dove.colonna};
  report.codici.push_back({codice, std::nullopt, report.luogo_errore, {}});
}

void ReaderState::registra(Long codice, const Campo& dove, Long posizione) {
  registra(codice, dove);
  m.progressiva_errore = posizione;
  report.codici.back().posizione = posizione;
}

void ReaderState::registra_senza_luogo(Long codice) {
  m.codice_errore = codice;
  report.luogo_errore.reset();
  report.codici.push_back({codice, std::nullopt, std::nullopt, {}});
}

bool ReaderState::nel_percorso(Long p, Long margine) const {
  if (!m.ha_percorso()) throw ErroreLettura("no line length was read before this row");
  return (static_cast<double>(p) + margine) / 50.0 <= static_cast<double>(m.ultima_cella());
}

bool ReaderState::fuori_percorso(Long p, const Campo& dove, Long margine) {
  if (nel_percorso(p, margine)) return false;
  registra(kFuoriPercorso, dove, p);
  return true;
}

Esito ReaderState::fallisce(Long codice, Campo dove) {
  chiudi_ed_elimina(corrente);
  registra(codice, dove);
  return Esito::kRitorna;
}

Esito ReaderState::fallisce(Long codice, Campo dove, Long posizione) {
  chiudi_ed_elimina(corrente);
  registra(codice, dove, posizione);
  return Esito::kRitorna;
}

bool ReaderState::prossima_parola(int massimo, bool prova_fine) {
  campo = lettore->leggi_testo();
  if (lettore->fine()) return false;
  for (int i = 0; i < massimo && contiene_esatto(campo.testo, "-"); ++i) {
    campo = lettore->leggi_testo();
    if (prova_fine && lettore->fine()) return false;
  }
  return true;
}

void memorizza_dati(RouteModel& m, SourceFiles& sorgenti, ReaderReport* report) {
  ReaderReport locale;
  ReaderState st{m, sorgenti, report != nullptr ? *report : locale};
  m.oggetti[85].testo = m.scenario;
  m.oggetti[86].testo = m.treno;
  // The trap: whatever could not be read ends the reading with code 25, input
  // beyond a limit with the limit's code; both sources that still exist are
  // deleted.
  auto trappola = [&](const ErroreLettura& e, Long codice) {
    const Luogo dove{st.corrente, st.lettore ? st.lettore->ultimo().riga : 0,
                     st.lettore ? st.lettore->ultimo().colonna : 0};
    st.lettore.reset();
    for (Sorgente s : {Sorgente::kLinea, Sorgente::kTreno})
      if (sorgenti.esiste(s)) sorgenti.elimina(s);
    m.codice_errore = codice;
    st.report.luogo_errore = dove;
    st.report.dettaglio = e.what();
    st.report.codici.push_back({codice, std::nullopt, dove, e.what()});
  };
  try {
    if (leggi_linea(st)) leggi_treno(st);
  } catch (const ErroreLimite& e) {
    trappola(e, e.codice());
  } catch (const ErroreLettura& e) {
    trappola(e, kLetturaFallita);
  }
}

}  // namespace sb

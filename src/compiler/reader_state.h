// The state that both phases of the source reader share for one call of
// memorizza_dati, and the helpers both phases use. Internal to the reader.
#pragma once

#include <optional>

#include "compiler/error_codes.h"
#include "compiler/field_reader.h"
#include "compiler/source_reader.h"

namespace sb {

// What a row handler tells the loop of its phase.
enum class Esito {
  kAvanti,     // go on with the next test or the next pass
  kFineCiclo,  // code 15: the loop ends, the end-of-phase steps follow
  kRitorna,    // a code that ends the reading at once
};

struct ReaderState {
  ReaderState(RouteModel& modello, SourceFiles& files, ReaderReport& r)
      : m(modello), sorgenti(files), report(r) {}

  RouteModel& m;
  SourceFiles& sorgenti;
  ReaderReport& report;
  std::optional<LettoreCampi> lettore;  // the source being read
  Sorgente corrente = Sorgente::kLinea;
  Campo campo;  // the candidate keyword field (`riga`)

  Long prossimo_cartello = 80;  // item that the next sign text takes
  Long riempimento_pendenza = 0;
  Long pendenza_precedente = 0;
  Long metro_geometria = 2;
  std::optional<Long> ultima_pendenza;  // position of the last gradient row

  // A warning at the place of a field of the source being read.
  void avvisa(const Campo& dove, std::string testo);
  // Warns when a profile row comes before the row read last.
  void controlla_ordine(std::optional<Long>* ultima, Long p, const Campo& dove,
                        const char* profilo);

  // Opens a source for reading; false when it does not exist.
  bool apri(Sorgente s);
  // Closes the source being read and deletes it.
  void chiudi_ed_elimina(Sorgente s);

  // Records a code, with a position in metres when it has one, at the place of
  // the given field.
  void registra(Long codice, const Campo& dove);
  void registra(Long codice, const Campo& dove, Long posizione);
  void registra_senza_luogo(Long codice);

  // The range test of a row position: (p + margin) / 50 must not exceed the
  // last cell. A model without cells cannot be written into: ErroreLettura.
  bool nel_percorso(Long p, Long margine = 100) const;
  // The range test that records code 15 (which ends the loop of the phase)
  // when it fails; true then.
  bool fuori_percorso(Long p, const Campo& dove, Long margine = 100);

  // Ends the reading at once with `codice`: the source being read is closed
  // and deleted. `dove` is taken by value: it may be a field of the reader
  // that closing destroys.
  Esito fallisce(Long codice, Campo dove);
  Esito fallisce(Long codice, Campo dove, Long posizione);

  // Calls a storer. Only the storer's own refusal ends the reading (with the
  // row's position); a code recorded before it, such as a line-phase code 15,
  // is kept when the storer succeeds.
  template <typename Chiamata>
  Esito memo(const Campo& dove, Long posizione, Chiamata chiamata) {
    const Long prima = m.codice_errore;
    m.codice_errore = 0;
    chiamata();
    if (m.codice_errore > 0) return fallisce(m.codice_errore, dove, posizione);
    m.codice_errore = prima;
    return Esito::kAvanti;
  }

  // Reads the next candidate keyword field and skips up to `massimo` comment
  // fields (fields containing "-"). With `prova_fine`, an end-of-file test
  // follows each skip. Returns false when the field read last was the last
  // field of the file, so the loop must end without processing it.
  bool prossima_parola(int massimo, bool prova_fine);

 private:
  std::string testo_;  // the text of the source being read
};

// Fills one running attribute (gradient, speed, adhesion) from its fill
// position up to the cell of `p`: the cells before arrotonda(p / 50) get the
// value in force before p. `limite` is the first cell the fill may not write.
// `valore` is asked for only when a cell is written.
template <typename Valore, typename Scrivi>
void riempi_intervallo(Long p, Long* riempimento, std::int64_t limite, Valore valore,
                       Scrivi scrivi) {
  const std::int64_t e = arrotonda(static_cast<double>(p) / 50.0);
  if (e <= 0) return;
  do {
    if (*riempimento >= limite) return;
    scrivi(*riempimento, valore());
    ++*riempimento;
  } while (*riempimento < e);
}

// Completes a running attribute at the end of a phase: the cell at the fill
// position, then each following cell below the last cell less 2.
template <typename Valore, typename Scrivi>
void completa_intervallo(const RouteModel& m, Long riempimento, Valore valore, Scrivi scrivi) {
  const Long n = m.ultima_cella();
  if (riempimento > n) return;
  scrivi(riempimento, valore());
  for (Long c = riempimento + 1; c < n - 2; ++c) scrivi(c, valore());
}

// The line phase; returns false when the reading ended and the train phase
// must not run.
bool leggi_linea(ReaderState& st);
// The train phase.
void leggi_treno(ReaderState& st);

}  // namespace sb

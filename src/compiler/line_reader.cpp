// The line phase of the source reader: the [generale] section, then the
// element rows (gradients, curves, mountain spans, boards, signs).
#include <algorithm>
#include <cstdint>

#include "compiler/reader_state.h"
#include "compiler/storers.h"
#include "compiler/track_plan.h"
#include "sources/keywords.h"

namespace sb {

namespace {

constexpr Long kLimiteGeometria = 1000000;
constexpr int kCommentiGenerale = 10;
constexpr int kCommentiElementi = 2;

// ---- [generale] ----

Esito leggi_lunghezza(ReaderState& st) {
  RouteModel& m = st.m;
  const Long lunghezza = st.lettore->leggi_long();
  const Campo dove = st.lettore->ultimo();
  m.oggetti[84].valore_b = lunghezza;
  if (lunghezza > kLunghezzaMassima) return st.fallisce(kLunghezzaTroppoGrande, dove);
  if (lunghezza < 0) return st.fallisce(kLunghezzaNegativa, dove);
  m.crea_percorso(lunghezza);
  return Esito::kAvanti;
}

void leggi_terna(ReaderState& st, oggetto& o) {
  o.valore_a = st.lettore->leggi_long();
  o.valore_b = st.lettore->leggi_long();
  o.valore_c = st.lettore->leggi_long();
}

Esito leggi_ripetizione(ReaderState& st) {
  oggetto& o = st.m.oggetti[86];
  const Campo parola = st.campo;
  o.valore_a = st.lettore->leggi_long();
  const Campo inizio = st.lettore->ultimo();
  o.valore_b = st.lettore->leggi_long();
  const Campo fine = st.lettore->ultimo();
  if (o.valore_a % 50 != 0) return st.fallisce(kRipetizioneInizio, inizio);
  if (o.valore_b % 50 != 0) return st.fallisce(kRipetizioneFine, fine);
  if (contiene_esatto(parola.testo, "4")) {
    o.valore_c = 4;
  } else if (contiene_esatto(parola.testo, "9")) {
    o.valore_c = 9;
  } else {
    return st.fallisce(kRipetizioneCodici, parola);
  }
  if (o.valore_b == 0) o.valore_c = 0;
  return Esito::kAvanti;
}

// One pass of the [generale] loop over the field in st.campo. Each test is
// independent of the others. Returns kFineCiclo at the section header.
Esito generale(ReaderState& st) {
  namespace w = parole;
  const std::string& f = st.campo.testo;
  RouteModel& m = st.m;
  if (contiene(f, w::kPercorso) && contiene(f, w::kLunghezza)) {
    if (leggi_lunghezza(st) == Esito::kRitorna) return Esito::kRitorna;
  }
  // These word tests are case-sensitive.
  if (contiene_esatto(f, w::kTre) && contiene_esatto(f, w::kProgressiva))
    leggi_terna(st, m.oggetti[81]);
  if (contiene_esatto(f, w::kDue) && contiene_esatto(f, w::kProgressiva))
    leggi_terna(st, m.oggetti[82]);
  if (contiene_esatto(f, w::kUno) && contiene_esatto(f, w::kProgressiva))
    leggi_terna(st, m.oggetti[83]);
  if (contiene_esatto(f, w::kSfondo) && contiene_esatto(f, w::kUno))
    m.oggetti[85].valore_a = st.lettore->leggi_long();
  if (contiene_esatto(f, w::kSfondo) && contiene_esatto(f, w::kDue))
    m.oggetti[85].valore_c = st.lettore->leggi_long();
  if (contiene_esatto(f, w::kSfondo) && contiene_esatto(f, w::kTre))
    m.oggetti[85].valore_b = st.lettore->leggi_long();
  if (contiene_esatto(f, w::kSegnali) && contiene_esatto(f, w::kRipetizione)) {
    if (leggi_ripetizione(st) == Esito::kRitorna) return Esito::kRitorna;
  }
  const auto primo = f.find_first_not_of(' ');
  const bool intestazione = contiene_esatto(f, "[") && contiene_esatto(f, "]");
  if (intestazione && (primo == std::string::npos || f[primo] != '-')) return Esito::kFineCiclo;
  return Esito::kAvanti;
}

// ---- element rows ----

Esito leggi_pendenza(ReaderState& st) {
  const Long p = st.lettore->leggi_long();
  const Campo dove = st.lettore->ultimo();
  const Long g = st.lettore->leggi_long();
  if (st.fuori_percorso(p, dove)) return Esito::kFineCiclo;
  st.controlla_ordine(&st.ultima_pendenza, p, dove, "gradient");
  RouteModel& m = st.m;
  const Byte valore = low8(std::int64_t{st.pendenza_precedente} + 100);
  riempi_intervallo(
      p, &st.riempimento_pendenza, std::int64_t{m.ultima_cella()} + 1, [&] { return valore; },
      [&](Long c, Byte v) { m.percorso[static_cast<std::size_t>(c)].pendenza = v; });
  st.pendenza_precedente = g;
  return Esito::kAvanti;
}

Esito leggi_curva(ReaderState& st) {
  const Campo parola = st.campo;
  const Long s = st.lettore->leggi_long();
  const Campo dove = st.lettore->ultimo();
  const Long l = st.lettore->leggi_long();
  if (st.fuori_percorso(s, dove)) return Esito::kFineCiclo;
  double k = 0;
  if (!curvatura(parola.testo, &k)) return st.fallisce(kCurvaErrata, parola);
  Tracciato& t = st.m.tracciato;
  // The steps up to `fino_a`, as one run: as far as the track plan reaches (a
  // step beyond its last point has nowhere to go) and the geometry limit
  // allows (the step to the limit is the last one).
  auto passi = [&](std::int64_t fino_a, auto aggiungi) {
    if (st.metro_geometria > fino_a) return Esito::kAvanti;
    const auto ultimo = static_cast<Long>(
        std::min<std::int64_t>({fino_a, t.ultimo_metro(), std::int64_t{kLimiteGeometria}}));
    if (ultimo >= st.metro_geometria) {
      aggiungi(st.metro_geometria, ultimo);
      st.metro_geometria = ultimo + 1;
    }
    if (st.metro_geometria > kLimiteGeometria) return st.fallisce(kCurvaErrata, parola);
    if (st.metro_geometria <= fino_a) return st.fallisce(kCurvaOltreTracciato, parola, s);
    return Esito::kAvanti;
  };
  if (passi(s, [&](Long da, Long a) { t.aggiungi_rettilineo(da, a); }) == Esito::kRitorna)
    return Esito::kRitorna;
  return passi(std::int64_t{s} + l, [&](Long da, Long a) { t.aggiungi_curva(da, a, k); });
}

Esito leggi_montagna(ReaderState& st) {
  const Long inizio = st.lettore->leggi_long();
  const Campo dove = st.lettore->ultimo();
  const Long fine = st.lettore->leggi_long();
  const Long tipo = st.lettore->leggi_long();
  if (st.fuori_percorso(inizio, dove)) return Esito::kFineCiclo;
  return st.memo(dove, inizio, [&] { memo_montagna(st.m, inizio, fine, tipo); });
}

Esito leggi_indicatori(ReaderState& st) {
  Long v[9];
  v[0] = st.lettore->leggi_long();
  const Campo dove = st.lettore->ultimo();
  for (int i = 1; i < 9; ++i) v[i] = st.lettore->leggi_long();
  if (st.fuori_percorso(v[0], dove)) return Esito::kFineCiclo;
  return st.memo(dove, v[0], [&] {
    memo_indicatori_v_max(st.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
  });
}

Esito leggi_cartello(ReaderState& st) {
  RouteModel& m = st.m;
  const Long p = st.lettore->leggi_long();
  const Campo dove = st.lettore->ultimo();
  const std::string testo = st.lettore->leggi_testo().testo;
  if (st.fuori_percorso(p, dove)) return Esito::kFineCiclo;
  const std::int64_t c = indice_cella(p);
  if (c < 0) return st.fallisce(kPrimaDellInizio, dove, p);
  if (!cella_libera(m.percorso[static_cast<std::size_t>(c)]))
    return st.fallisce(kCartelloOccupato, dove, p);
  // Sign texts take the items from 80 down to 0.
  if (st.prossimo_cartello < 0) return st.fallisce(kTroppiCartelli, dove, p);
  cella& cl = m.percorso[static_cast<std::size_t>(c)];
  cl.genere = kCartello;
  cl.dato1 = low16(st.prossimo_cartello);
  m.oggetti[static_cast<std::size_t>(st.prossimo_cartello)].testo = testo;
  --st.prossimo_cartello;
  return Esito::kAvanti;
}

// One pass of the main loop over the field in st.campo.
Esito elemento(ReaderState& st) {
  namespace w = parole;
  const std::string f = st.campo.testo;
  Esito e = Esito::kAvanti;
  auto prova = [&](bool vale, Esito (*gestore)(ReaderState&)) {
    if (e == Esito::kAvanti && vale) e = gestore(st);
  };
  prova(contiene(f, w::kPendenza), leggi_pendenza);
  prova(st.m.scrivi_linea != 0 && contiene(f, w::kCurva), leggi_curva);
  prova(contiene(f, w::kMontagna), leggi_montagna);
  prova(contiene(f, w::kIndicatoriV), leggi_indicatori);
  prova(contiene(f, w::kIndicat) && contiene(f, w::kCartello), leggi_cartello);
  return e;
}

}  // namespace

bool leggi_linea(ReaderState& st) {
  RouteModel& m = st.m;
  if (!st.sorgenti.esiste(Sorgente::kLinea) || !st.apri(Sorgente::kLinea)) {
    st.corrente = Sorgente::kLinea;
    st.registra_senza_luogo(kSorgenteLineaMancante);
    return false;
  }
  LettoreCampi& in = *st.lettore;

  // Everything before "[generale]" is ignored.
  bool trovato = false;
  while (!in.fine()) {
    st.campo = in.leggi_testo();
    if (contiene(st.campo.testo, parole::kGenerale)) {
      trovato = !in.fine();
      break;
    }
  }
  if (!trovato) {
    st.fallisce(kGeneraleMancante, in.ultimo());
    return false;
  }

  // The [generale] section, up to the first section header.
  while (!in.fine()) {
    if (!st.prossima_parola(kCommentiGenerale, false)) break;
    const Esito e = generale(st);
    if (e == Esito::kRitorna) return false;
    if (e == Esito::kFineCiclo) break;
  }

  progressive_ordina(m);
  m.n_montagne = 0;
  if (m.scrivi_linea != 0) {
    if (!m.tracciato.allocato()) throw ErroreLettura("no line length was read");
    m.tracciato.imposta_intero(0, 0, 0);
    m.tracciato.imposta_intero(1, 0, 1);
  }

  // The element rows.
  while (!in.fine()) {
    if (!st.prossima_parola(kCommentiElementi, true)) break;
    const Esito e = elemento(st);
    if (e == Esito::kRitorna) return false;
    if (e == Esito::kFineCiclo) break;
  }

  // End of the phase: the gradient tail and the rest of the track plan.
  st.chiudi_ed_elimina(Sorgente::kLinea);
  if (!m.ha_percorso()) throw ErroreLettura("no line length was read");
  const Byte pendenza = low8(std::int64_t{st.pendenza_precedente} + 100);
  completa_intervallo(
      m, st.riempimento_pendenza, [&] { return pendenza; },
      [&](Long c, Byte v) { m.percorso[static_cast<std::size_t>(c)].pendenza = v; });
  if (m.scrivi_linea != 0) {
    if (st.metro_geometria <= m.lunghezza_estesa - 2) {
      m.tracciato.aggiungi_rettilineo(st.metro_geometria, m.lunghezza_estesa - 2);
      st.metro_geometria = m.lunghezza_estesa - 1;
    }
  }
  return true;
}

}  // namespace sb

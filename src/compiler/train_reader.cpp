// The train phase of the source reader: the train's scalar data, the speed
// and adhesion profiles, signals, slowdowns, abbattimento marks and the
// timetable stations, then the check of the kilometric progressives.
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "compiler/reader_state.h"
#include "compiler/storers.h"
#include "sources/keywords.h"

namespace sb {

namespace {

constexpr int kCommenti = 2;
constexpr Long kMargineStazione = 800;

struct StatoTreno {
  Long riempimento_velocita = 0;
  Long riempimento_aderenza = 0;
  Long velocita_precedente = 0;
  Long aderenza_precedente = 0;
  Long stazione = 1;  // the item that the next station row fills
  std::optional<Long> ultima_velocita, ultima_aderenza, ultima_stazione;
};

// What a cell holds, in an author's words.
const char* nome_genere(Byte genere) {
  switch (genere) {
    case kSegnale:
      return "a signal";
    case kFineRallentamento:
      return "a slowdown end";
    case kInizioRallentamento:
      return "a slowdown start";
    case kAvvisoRallentamento:
      return "a slowdown warning point";
    case kPrimaAvviso:
      return "a cell before a slowdown warning point";
    case kIndicatoriVmax:
      return "speed indicator boards";
    case kFineStazione:
      return "another station's end mark";
    case kAbbattimento:
    case kAbbattimentoSenzaValore:
      return "an abbattimento point";
    case kCartello:
      return "a sign";
    default:
      return "an element";
  }
}

Long a_long(std::int64_t v) {
  if (v < std::numeric_limits<Long>::min() || v > std::numeric_limits<Long>::max())
    throw ErroreLettura("a computed value does not fit 32 bits");
  return static_cast<Long>(v);
}

// The stored speed: arrotonda(speed / 5), which must fit a Byte.
Byte velocita_in_cella(Long v) {
  const std::int64_t r = arrotonda(static_cast<double>(v) / 5.0);
  if (r < 0 || r > 255)
    throw ErroreLettura("a speed of " + std::to_string(v) + " km/h does not fit");
  return static_cast<Byte>(r);
}

Esito leggi_velocita(ReaderState& st, StatoTreno& t) {
  RouteModel& m = st.m;
  const Long p = st.lettore->leggi_long();
  const Campo dove = st.lettore->ultimo();
  const Long v = st.lettore->leggi_long();
  if (st.fuori_percorso(p, dove)) return Esito::kFineCiclo;
  st.controlla_ordine(&t.ultima_velocita, p, dove, "speed");
  const Long precedente = t.velocita_precedente;
  riempi_intervallo(
      p, &t.riempimento_velocita, m.ultima_cella(), [&] { return velocita_in_cella(precedente); },
      [&](Long c, Byte b) { m.percorso[static_cast<std::size_t>(c)].velocita = b; });
  t.velocita_precedente = v;
  return Esito::kAvanti;
}

Esito leggi_aderenza(ReaderState& st, StatoTreno& t) {
  RouteModel& m = st.m;
  const Long p = st.lettore->leggi_long();
  const Campo dove = st.lettore->ultimo();
  const Long a = st.lettore->leggi_long();
  if (st.fuori_percorso(p, dove)) return Esito::kFineCiclo;
  st.controlla_ordine(&t.ultima_aderenza, p, dove, "adhesion");
  const Byte valore = low8(t.aderenza_precedente);
  riempi_intervallo(
      p, &t.riempimento_aderenza, std::int64_t{m.ultima_cella()} + 1, [&] { return valore; },
      [&](Long c, Byte b) { m.percorso[static_cast<std::size_t>(c)].aderenza = b; });
  t.aderenza_precedente = a;
  return Esito::kAvanti;
}

Esito leggi_segnale(ReaderState& st) {
  Long v[11];
  v[0] = st.lettore->leggi_long();
  const Campo dove = st.lettore->ultimo();
  for (int i = 1; i < 11; ++i) v[i] = st.lettore->leggi_long();
  if (st.fuori_percorso(v[0], dove)) return Esito::kFineCiclo;
  const std::int64_t c = indice_cella(v[0]);
  // The approach cells already coded by another signal or a station.
  std::string coperte;
  for (int k = 1; k <= 4; ++k) {
    if (st.m.cella_esiste(c - 2 * k) &&
        st.m.percorso[static_cast<std::size_t>(c - 2 * k)].avviso != 0)
      coperte += (coperte.empty() ? "" : ", ") + std::to_string(c - 2 * k);
  }
  const Esito e = st.memo(dove, v[0], [&] {
    memo_segnale(st.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
  });
  if (e != Esito::kAvanti) return e;
  st.report.segnali.push_back({static_cast<Long>(c), Luogo{st.corrente, dove.riga, dove.colonna}});
  if (!coperte.empty())
    st.avvisa(dove,
              "the approach codes of this signal overwrite those already in cells " + coperte);
  return e;
}

Esito leggi_rallentamento(ReaderState& st) {
  Long v[6];
  v[0] = st.lettore->leggi_long();
  const Campo dove = st.lettore->ultimo();
  for (int i = 1; i < 6; ++i) v[i] = st.lettore->leggi_long();
  if (st.fuori_percorso(v[0], dove)) return Esito::kFineCiclo;
  const Esito e =
      st.memo(dove, v[0], [&] { memo_rallentamento(st.m, v[0], v[1], v[2], v[3], v[4], v[5]); });
  if (e == Esito::kAvanti)
    st.report.rallentamenti.push_back(
        {static_cast<Long>(indice_cella(v[0])), Luogo{st.corrente, dove.riga, dove.colonna}});
  return e;
}

Esito leggi_abbattimento(ReaderState& st) {
  RouteModel& m = st.m;
  const Long p = st.lettore->leggi_long();
  const Campo dove = st.lettore->ultimo();
  const Long v = st.lettore->leggi_long();
  if (st.fuori_percorso(p, dove)) return Esito::kFineCiclo;
  // Without the + 1 of the point elements.
  const std::int64_t c = arrotonda(static_cast<double>(p) / 50.0);
  if (c < 0) return st.fallisce(kPrimaDellInizio, dove, p);
  cella& cl = m.percorso[static_cast<std::size_t>(c)];
  if (!cella_libera(cl)) return st.fallisce(kAbbattimentoOccupato, dove, p);
  if (v > 0) {
    cl.genere = kAbbattimento;
    cl.dato1 = low16(v);
  } else {
    cl.genere = kAbbattimentoSenzaValore;
  }
  return Esito::kAvanti;
}

Esito leggi_stazione(ReaderState& st, StatoTreno& t) {
  RouteModel& m = st.m;
  LettoreCampi& in = *st.lettore;
  const Campo parola = st.campo;
  const Long k = t.stazione;
  // A station may not take an item that holds a sign text.
  if (k > st.prossimo_cartello) return st.fallisce(kTroppeStazioni, parola);
  oggetto& o = m.oggetti[static_cast<std::size_t>(k)];

  const Long P = o.valore_c = in.leggi_long();
  const Campo dove = in.ultimo();
  if (st.fuori_percorso(P, dove, kMargineStazione)) return Esito::kFineCiclo;
  if (P % 50 != 0) return st.fallisce(kStazioneNonMultipla50, dove, P);
  st.controlla_ordine(&t.ultima_stazione, P, dove, "station");
  o.genere = in.leggi_byte();
  const Long L = in.leggi_long();
  if (L % 100 != 0) return st.fallisce(kStazioneLunghezza, in.ultimo(), P);
  o.opzione = in.leggi_byte();
  o.marca4 = in.leggi_byte();
  o.marca3 = in.leggi_byte();
  o.parametro1 = in.leggi_integer();
  o.parametro2 = in.leggi_integer();
  o.marca1 = in.leggi_byte();
  o.parametro3 = in.leggi_integer();
  o.parametro4 = in.leggi_integer();
  o.parametro5 = in.leggi_integer();
  o.marca2 = in.leggi_byte();
  const std::int64_t ore = in.leggi_long();
  const std::int64_t minuti = in.leggi_long();
  const std::int64_t secondi = in.leggi_long();
  o.testo = in.leggi_testo().testo;
  o.valore_d = a_long((ore * 60 + minuti) * 60 + secondi);

  // The station area.
  const Byte genere = o.genere;
  if (genere == 5 || genere == 6) {
    o.valore_a = a_long(std::int64_t{P} - L);
    o.valore_b = a_long(std::int64_t{P} + 150);
    o.marca3 = 0;
  } else if (genere == 7 || genere == 8) {
    o.valore_a = a_long(std::int64_t{P} - L);
    o.valore_b = a_long(std::int64_t{P} + L);
    o.marca3 = 0;
  } else {
    o.valore_a = a_long(arrotonda(P - L / 2.0));
    o.valore_b = a_long(arrotonda(P + L / 2.0 + (o.marca3 != 0 ? 50 : 0)));
  }
  if (L < 600) o.marca4 = 0;
  if (k == 1) o.marca3 = o.marca4 = 0;

  // The approach marks and the end mark, for kinds below 25.
  const double E = o.valore_b;
  if (genere < 25) {
    if (arrotonda(E / 50.0 - 1) > m.ultima_cella()) return st.fallisce(kOltreLaFine, dove, P);
    if (genere != 5 && genere != 6) {
      for (int n = 1; n <= 4; ++n) {
        if (E / 50.0 - n - 1 <= 1) continue;
        const std::int64_t c = arrotonda(E / 50.0 - n - 1);
        Byte& avviso = m.percorso[static_cast<std::size_t>(c)].avviso;
        if (avviso != 0 && avviso != 80 + n)
          st.avvisa(dove, "the approach mark of station " + o.testo +
                              " overwrites the approach code " + std::to_string(avviso) +
                              " in cell " + std::to_string(c));
        avviso = low8(80 + n);
      }
    }
    if (E / 50.0 - 1 <= 1) return st.fallisce(kStazioneInizioLinea, dove);
    const std::int64_t c = arrotonda(E / 50.0 - 1);
    cella& fine = m.percorso[static_cast<std::size_t>(c)];
    if (!cella_libera(fine))
      st.avvisa(dove, "the end mark of station " + o.testo + " overwrites " +
                          nome_genere(fine.genere) + " in cell " + std::to_string(c));
    fine.genere = kFineStazione;
    fine.dato1 = low16(k);
  }
  if (k > 1 && std::int64_t{o.valore_a} - 350 < m.oggetti[static_cast<std::size_t>(k - 1)].valore_b)
    return st.fallisce(kStazioniVicine, dove, P);
  t.stazione = k + 1;
  if (t.stazione >= st.prossimo_cartello) return st.fallisce(kTroppeStazioni, parola);
  return Esito::kAvanti;
}

// One pass of the main loop over the field in st.campo.
Esito elemento(ReaderState& st, StatoTreno& t) {
  namespace w = parole;
  RouteModel& m = st.m;
  LettoreCampi& in = *st.lettore;
  const std::string f = st.campo.testo;
  if (contiene(f, w::kFrenata) && contiene(f, w::kMassa)) m.oggetti[84].valore_a = in.leggi_long();
  if (contiene(f, w::kVetture)) m.oggetti[84].valore_c = in.leggi_long();
  Esito e = Esito::kAvanti;
  auto prova = [&](bool vale, auto gestore) {
    if (e == Esito::kAvanti && vale) e = gestore();
  };
  prova(contiene(f, w::kVelocit), [&] { return leggi_velocita(st, t); });
  prova(contiene(f, w::kAderenza), [&] { return leggi_aderenza(st, t); });
  if (e != Esito::kAvanti) return e;
  if (contiene(f, w::kOrologio)) {
    m.oggetti[86].parametro3 = in.leggi_integer();
    m.oggetti[86].parametro4 = in.leggi_integer();
    m.oggetti[86].parametro5 = in.leggi_integer();
  }
  if (contiene(f, w::kSabbia)) m.oggetti[86].parametro1 = in.leggi_integer();
  prova(contiene(f, w::kSegnale), [&] { return leggi_segnale(st); });
  prova(contiene(f, w::kRallentamento), [&] { return leggi_rallentamento(st); });
  prova(contiene(f, w::kAbbattimento), [&] { return leggi_abbattimento(st); });
  prova(contiene(f, w::kStazione), [&] { return leggi_stazione(st, t); });
  return e;
}

}  // namespace

void leggi_treno(ReaderState& st) {
  RouteModel& m = st.m;
  // There is no existence test: a missing train source is a failure to read.
  if (!st.apri(Sorgente::kTreno)) throw ErroreLettura("the train source is missing");
  LettoreCampi& in = *st.lettore;
  StatoTreno t;

  // Everything before "[generale]" is ignored; a source without it gives nothing.
  while (!in.fine()) {
    if (contiene(in.leggi_testo().testo, parole::kGenerale)) break;
  }
  while (!in.fine()) {
    if (!st.prossima_parola(kCommenti, true)) break;
    const Esito e = elemento(st, t);
    if (e == Esito::kRitorna) return;
    if (e == Esito::kFineCiclo) break;
  }

  // End of the phase: the speed and adhesion tails.
  st.chiudi_ed_elimina(Sorgente::kTreno);
  const Long velocita = t.velocita_precedente;
  completa_intervallo(
      m, t.riempimento_velocita, [&] { return velocita_in_cella(velocita); },
      [&](Long c, Byte b) { m.percorso[static_cast<std::size_t>(c)].velocita = b; });
  const Byte aderenza = low8(t.aderenza_precedente);
  completa_intervallo(
      m, t.riempimento_aderenza, [&] { return aderenza; },
      [&](Long c, Byte b) { m.percorso[static_cast<std::size_t>(c)].aderenza = b; });

  // The kilometric progressives, as reordered, must start and end on a cell.
  for (int i = 81; i <= 83; ++i) {
    if (m.oggetti[i].valore_a % 50 != 0 || m.oggetti[i].valore_b % 50 != 0) {
      st.registra_senza_luogo(kProgressivaNonMultipla);
      break;
    }
  }
}

}  // namespace sb

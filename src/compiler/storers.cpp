// The element storers. Each one checks every target cell it needs (range
// first, then whether the cell is free) before it writes anything, so that a
// refused element leaves the route as it was; the one exception is the
// slowdown, whose approach cells are tested only after the slowdown itself is
// stored. Cell indices are computed in 64 bits and every access goes through
// a range test, whatever the source values.
#include "compiler/storers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "compiler/error_codes.h"

namespace sb {

namespace {

cella& cella_di(RouteModel& m, std::int64_t c) {
  return m.percorso.at(static_cast<std::size_t>(c));
}

// The code that refuses a point element aimed at cell c: below the first
// cell, beyond the last one, or `codice_presa` when the cell holds an element.
// 0 when the element may be stored there.
Long verifica_cella(const RouteModel& m, std::int64_t c, Long codice_presa) {
  if (c < 0) return kPrimaDellInizio;
  if (!m.cella_esiste(c)) return kOltreLaFine;
  if (!cella_libera(m.percorso.at(static_cast<std::size_t>(c)))) return codice_presa;
  return kNessunErrore;
}

bool entra_in_32_bit(std::int64_t v) {
  return v >= std::numeric_limits<Long>::min() && v <= std::numeric_limits<Long>::max();
}

// One board value: arrotonda(d / 5 + s * 20). The product is a 32-bit value
// and the rounded sum must fit the 16-bit field; anything else is a fault of
// the conversion, reported to the reader before the cell is touched.
Integer valore_cartello(Long s, Long d) {
  const std::int64_t prodotto = std::int64_t{s} * 20;
  if (!entra_in_32_bit(prodotto)) {
    throw ErroreLettura("speed indicator board: speed times 20 does not fit 32 bits");
  }
  const std::int64_t v = arrotonda(static_cast<double>(d) / 5.0 + static_cast<double>(prodotto));
  if (v < std::numeric_limits<Integer>::min() || v > std::numeric_limits<Integer>::max()) {
    throw ErroreLettura("speed indicator board: value does not fit 16 bits");
  }
  return static_cast<Integer>(v);
}

}  // namespace

void memo_montagna(RouteModel& m, Long inizio, Long fine, Long tipo) {
  if (m.n_montagne < 0 || m.n_montagne >= kMassimoMontagne) {
    m.codice_errore = kTroppeMontagne;
    return;
  }
  // Kinds 11 and 12 of the source are kinds 1 and 2 with marks.
  bool con_marche = false;
  if (tipo > 10) {
    con_marche = true;
    tipo -= 10;
  }
  const Long n = m.n_montagne + 1;
  m.n_montagne = n;
  m.montagne_inizio.at(static_cast<std::size_t>(n)) = inizio;
  m.montagne_fine.at(static_cast<std::size_t>(n)) = fine;
  // A span that begins 150 m or less after the previous one ends is of kind 3.
  // The gap is taken in 64 bits so that extreme positions cannot wrap.
  if (n > 1 && std::int64_t{inizio} - m.montagne_fine.at(static_cast<std::size_t>(n - 1)) <= 150) {
    tipo = 3;
  }

  const std::int64_t prima = arrotonda(static_cast<double>(inizio) / 50.0);
  const std::int64_t ultima = arrotonda(static_cast<double>(fine) / 50.0 - 1.0);
  // Only the part of the span that lies on the route is stored; the count of
  // cells starts at the span's own first cell, so the marks stay in step.
  const std::int64_t da = std::max<std::int64_t>(prima, 0);
  const std::int64_t a = std::min<std::int64_t>(ultima, m.ultima_cella());
  for (std::int64_t c = da; c <= a; ++c) {
    const std::int64_t k = c - prima + 1;
    cella& z = cella_di(m, c);
    z.montagna = low8(tipo);
    if (con_marche && k % 4 == 0 && z.genere == kLibera && (c - 4) * 50 < fine) {
      z.genere = kMarcaMontagna;
    }
  }
}

void memo_indicatori_v_max(RouteModel& m, Long posizione, Long vas, Long vbs, Long vcs,
                           Long strisces, Long vad, Long vbd, Long vcd, Long strisced) {
  const std::int64_t c = indice_cella(posizione);
  if (const Long codice = verifica_cella(m, c, kIndicatoriOccupati); codice != kNessunErrore) {
    m.codice_errore = codice;
    return;
  }
  const Integer dato1 = valore_cartello(vas, vad);
  const Integer dato2 = valore_cartello(vbs, vbd);
  const Integer dato3 = valore_cartello(vcs, vcd);

  cella& z = cella_di(m, c);
  z.genere = kIndicatoriVmax;
  z.dato1 = dato1;
  z.dato2 = dato2;
  z.dato3 = dato3;
  z.dato4 = low16(std::int64_t{strisces} * 10 + strisced);
}

void memo_segnale(RouteModel& m, Long posizione, Long sx, Long s1, Long s2, Long s3, Long rapp,
                  Long dx, Long d1, Long d2, Long d3, Long tempo) {
  const std::int64_t c = indice_cella(posizione);
  if (const Long codice = verifica_cella(m, c, kSegnaleOccupato); codice != kNessunErrore) {
    m.codice_errore = codice;
    return;
  }
  cella& z = cella_di(m, c);
  z.genere = kSegnale;
  z.dato4 = low16(std::int64_t{rapp} * 10 + std::int64_t{sx} * 3 + dx);
  z.dato1 = low16(std::int64_t{s1} * 10 + d1);
  z.dato2 = low16(std::int64_t{s2} * 10 + d2);
  z.dato3 = low16(std::int64_t{s3} * 10 + d3);
  // Times from 1 to 100 are all stored as 101.
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  z.tempo_segnale = sx == 2 ? low8(tempo) : 0;

  // Approach codes in the cells 2, 4, 6 and 8 before the signal, whatever
  // those cells hold; the ones before the start of the route are left out.
  const Byte lato = low8(low8(sx) * 3 + low8(dx));
  for (int k = 1; k <= 4; ++k) {
    const std::int64_t p = c - 2 * k;
    if (p < 0) continue;
    cella_di(m, p).avviso = low8(lato * 10 + k);
  }
}

void memo_rallentamento(RouteModel& m, Long x, Long v, Long l, Long f_tt, Long f_ta, Long d_v) {
  // A slowdown that starts within the first 1500 m has no warning point and
  // no approach cells.
  const bool con_avviso = x > 1500;
  if (!con_avviso) f_ta = 0;

  const std::int64_t w = arrotonda((static_cast<double>(x) - 1200.0) / 50.0 + 1.0);
  const std::int64_t s = indice_cella(x);
  const std::int64_t e = arrotonda((static_cast<double>(x) + static_cast<double>(l)) / 50.0 + 1.0);
  Long codice = con_avviso ? verifica_cella(m, w, kAvvisoOccupato) : kNessunErrore;
  if (codice == kNessunErrore) codice = verifica_cella(m, s, kInizioOccupato);
  if (codice == kNessunErrore) codice = verifica_cella(m, e, kFineOccupata);
  if (codice != kNessunErrore) {
    m.codice_errore = codice;
    return;
  }

  const Integer velocita = low16(v);
  const Integer tabella = low16(f_tt);
  // Written in this order so that with l = 0 the one cell ends as a start.
  cella& fine = cella_di(m, e);
  fine.genere = kFineRallentamento;
  if (d_v != 0) fine.dato2 = low16(d_v);
  cella& inizio = cella_di(m, s);
  inizio.genere = kInizioRallentamento;
  if (d_v != 0) inizio.dato2 = low16(d_v);
  if (con_avviso) {
    cella& avviso = cella_di(m, w);
    avviso.genere = kAvvisoRallentamento;
    if (d_v != 0) avviso.dato2 = low16(d_v);
    avviso.dato1 = velocita;
  }
  inizio.dato1 = velocita;
  inizio.dato3 = tabella;
  fine.dato1 = velocita;
  fine.dato3 = tabella;

  if (f_ta == 0) return;
  // The four cells before the warning point; tested only now, so a refusal
  // here keeps the slowdown stored above.
  const std::int64_t cella_rif = arrotonda((static_cast<double>(x) - 1200.0) / 50.0);
  bool occupato = false;
  for (std::int64_t i = 0; i < 4; ++i) {
    const std::int64_t p = cella_rif - i;
    if (!m.cella_esiste(p) || !cella_libera(cella_di(m, p))) occupato = true;
  }
  if (occupato) {
    m.codice_errore = kPrimaAvvisoOccupate;
    return;
  }
  for (std::int64_t i = 0; i < 4; ++i) {
    cella& z = cella_di(m, cella_rif - i);
    z.genere = kPrimaAvviso;
    z.dato1 = static_cast<Integer>(i + 1);
    if (d_v != 0) z.dato2 = static_cast<Integer>(i + 1);
  }
}

void progressive_ordina(RouteModel& m) {
  struct Terna {
    Long a, b, c;
  };
  constexpr std::size_t kPrimo = 81;
  std::array<Terna, 3> entrata{};
  for (std::size_t i = 0; i < 3; ++i) {
    const oggetto& o = m.oggetti.at(kPrimo + i);
    entrata.at(i) = {o.valore_a, o.valore_b, o.valore_c};
  }

  std::array<Terna, 3> uscita{};
  // The sum is exact: three 32-bit values cannot overflow 64 bits, and a sum
  // that merely wraps to 0 must not count as "no A values".
  const std::int64_t somma =
      std::int64_t{entrata[0].a} + std::int64_t{entrata[1].a} + std::int64_t{entrata[2].a};
  if (somma == 0) {
    // Each test that holds replaces the result of the earlier ones.
    if (entrata[0].b > 0) uscita = entrata;
    if (entrata[1].b > 0) uscita = {entrata[1], entrata[0], entrata[2]};
    if (entrata[2].b > 0) uscita = {entrata[2], entrata[1], entrata[0]};
  } else {
    // Descending A; among equal A the triple of the higher-numbered item
    // comes first (the stable sort keeps the 83, 82, 81 start order).
    std::array<std::size_t, 3> ordine = {2, 1, 0};
    std::stable_sort(ordine.begin(), ordine.end(), [&](std::size_t i, std::size_t j) {
      return entrata.at(i).a > entrata.at(j).a;
    });
    for (std::size_t i = 0; i < 3; ++i) uscita.at(i) = entrata.at(ordine.at(i));
  }

  for (Terna& t : uscita) {
    if (t.c != 1) continue;
    const std::int64_t b = std::int64_t{t.b} + 100;
    if (!entra_in_32_bit(b)) {
      throw ErroreLettura("kilometric progressive: bound plus 100 does not fit 32 bits");
    }
    t.b = static_cast<Long>(b);
  }
  for (std::size_t i = 0; i < 3; ++i) {
    oggetto& o = m.oggetti.at(kPrimo + i);
    o.valore_a = uscita.at(i).a;
    o.valore_b = uscita.at(i).b;
    o.valore_c = uscita.at(i).c;
  }
}

}  // namespace sb

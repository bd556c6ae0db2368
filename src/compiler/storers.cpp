// The element storers. Each one checks every target cell it needs (range
// first, then whether the cell is free) before it writes anything, so that a
// refused element leaves the route as it was; the one exception is the
// slowdown, whose approach cells are tested only after the slowdown itself is
// stored. A value that faults in the middle (a board value beyond 16 bits)
// leaves the fields stored before it, in the order of the storer's steps. Cell indices are computed
// in 64 bits and every access goes through a range test, whatever the source values.
#include "compiler/storers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "compiler/error_codes.h"

namespace sb {

namespace {

cella& cell_at(RouteModel& m, std::int64_t c) {
  return m.percorso.at(static_cast<std::size_t>(c));
}

// The code that refuses a point element aimed at cell c: below the first
// cell, beyond the last one, or `taken_code` when the cell holds an element.
// 0 when the element may be stored there.
Long refusal_code(const RouteModel& m, std::int64_t c, Long taken_code) {
  if (c < 0) return kBeforeRouteStart;
  if (!m.cell_exists(c)) return kBeyondLastCell;
  if (!cella_libera(m.percorso.at(static_cast<std::size_t>(c)))) return taken_code;
  return kNoError;
}

bool fits_32_bits(std::int64_t v) {
  return v >= std::numeric_limits<Long>::min() && v <= std::numeric_limits<Long>::max();
}

// One board value: arrotonda(d / 5 + s * 20). The product is a 32-bit value
// and the rounded sum must fit the 16-bit field; anything else is a fault of
// the conversion, reported to the reader.
Integer board_value(Long s, Long d) {
  const std::int64_t product = std::int64_t{s} * 20;
  if (!fits_32_bits(product)) {
    throw ReadError("speed indicator board: speed times 20 does not fit 32 bits");
  }
  const std::int64_t v = arrotonda(static_cast<double>(d) / 5.0 + static_cast<double>(product));
  if (v < std::numeric_limits<Integer>::min() || v > std::numeric_limits<Integer>::max()) {
    throw ReadError("speed indicator board: value does not fit 16 bits");
  }
  return static_cast<Integer>(v);
}

}  // namespace

void memo_montagna(RouteModel& m, Long inizio, Long fine, Long tipo) {
  if (m.n_montagne < 0 || m.n_montagne >= kMaxMountainSpans) {
    m.codice_errore = kTooManyMountainSpans;
    return;
  }
  // Kinds 11 and 12 of the source are kinds 1 and 2 with marks.
  bool marked = false;
  if (tipo > 10) {
    marked = true;
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

  const std::int64_t first = arrotonda(static_cast<double>(inizio) / 50.0);
  const std::int64_t last = arrotonda(static_cast<double>(fine) / 50.0 - 1.0);
  // Only the part of the span that lies on the route is stored; the count of
  // cells starts at the span's own first cell, so the marks stay in step.
  const std::int64_t from = std::max<std::int64_t>(first, 0);
  const std::int64_t to = std::min<std::int64_t>(last, m.last_cell());
  for (std::int64_t c = from; c <= to; ++c) {
    const std::int64_t k = c - first + 1;
    cella& cell = cell_at(m, c);
    cell.montagna = low8(tipo);
    if (marked && k % 4 == 0 && cell.genere == kFree && (c - 4) * 50 < fine) {
      cell.genere = kMountainMark;
    }
  }
}

void memo_indicatori_v_max(RouteModel& m, Long posizione, Long vas, Long vbs, Long vcs,
                           Long strisces, Long vad, Long vbd, Long vcd, Long strisced) {
  const std::int64_t c = indice_cella(posizione);
  if (const Long code = refusal_code(m, c, kBoardsCellTaken); code != kNoError) {
    m.codice_errore = code;
    return;
  }
  // Stored field by field: a value that does not fit leaves the fields
  // before it written.
  cella& cell = cell_at(m, c);
  cell.genere = kSpeedBoards;
  cell.dato1 = board_value(vas, vad);
  cell.dato2 = board_value(vbs, vbd);
  cell.dato3 = board_value(vcs, vcd);
  cell.dato4 = low16(std::int64_t{strisces} * 10 + strisced);
}

void memo_segnale(RouteModel& m, Long posizione, Long sx, Long s1, Long s2, Long s3, Long rapp,
                  Long dx, Long d1, Long d2, Long d3, Long tempo) {
  const std::int64_t c = indice_cella(posizione);
  if (const Long code = refusal_code(m, c, kSignalCellTaken); code != kNoError) {
    m.codice_errore = code;
    return;
  }
  cella& cell = cell_at(m, c);
  cell.genere = kSignal;
  cell.dato4 = low16(std::int64_t{rapp} * 10 + std::int64_t{sx} * 3 + dx);
  cell.dato1 = low16(std::int64_t{s1} * 10 + d1);
  cell.dato2 = low16(std::int64_t{s2} * 10 + d2);
  cell.dato3 = low16(std::int64_t{s3} * 10 + d3);
  // Times from 1 to 100 are all stored as 101.
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  cell.tempo_segnale = sx == 2 ? low8(tempo) : 0;

  // Approach codes before the signal, whatever those cells hold.
  const Byte side = low8(low8(sx) * 3 + low8(dx));
  for (int k = 1; k <= kSignalApproachCells; ++k) {
    const std::int64_t p = signal_approach_cell(c, k);
    if (p < 0) continue;
    cell_at(m, p).avviso = low8(side * 10 + k);
  }
}

void memo_rallentamento(RouteModel& m, Long x, Long v, Long l, Long f_tt, Long f_ta, Long d_v) {
  // A slowdown that starts within the first 1500 m has no warning point and
  // no approach cells.
  const bool with_warning = x > 1500;
  if (!with_warning) f_ta = 0;

  const std::int64_t w = arrotonda((static_cast<double>(x) - 1200.0) / 50.0 + 1.0);
  const std::int64_t s = indice_cella(x);
  const std::int64_t e = arrotonda((static_cast<double>(x) + static_cast<double>(l)) / 50.0 + 1.0);
  Long code = with_warning ? refusal_code(m, w, kWarningCellTaken) : kNoError;
  if (code == kNoError) code = refusal_code(m, s, kStartCellTaken);
  if (code == kNoError) code = refusal_code(m, e, kEndCellTaken);
  if (code != kNoError) {
    m.codice_errore = code;
    return;
  }

  const Integer speed = low16(v);
  const Integer table = low16(f_tt);
  // Written in this order so that with l = 0 the one cell ends as a start.
  cella& end_cell = cell_at(m, e);
  end_cell.genere = kSlowdownEnd;
  if (d_v != 0) end_cell.dato2 = low16(d_v);
  cella& start_cell = cell_at(m, s);
  start_cell.genere = kSlowdownStart;
  if (d_v != 0) start_cell.dato2 = low16(d_v);
  if (with_warning) {
    cella& warning_cell = cell_at(m, w);
    warning_cell.genere = kSlowdownWarning;
    if (d_v != 0) warning_cell.dato2 = low16(d_v);
    warning_cell.dato1 = speed;
  }
  start_cell.dato1 = speed;
  start_cell.dato3 = table;
  end_cell.dato1 = speed;
  end_cell.dato3 = table;

  if (f_ta == 0) return;
  // The four cells before the warning point; tested only now, so a refusal
  // here keeps the slowdown stored above.
  const std::int64_t cella_rif = arrotonda((static_cast<double>(x) - 1200.0) / 50.0);
  bool taken = false;
  for (std::int64_t i = 0; i < 4; ++i) {
    const std::int64_t p = cella_rif - i;
    if (!m.cell_exists(p) || !cella_libera(cell_at(m, p))) taken = true;
  }
  if (taken) {
    m.codice_errore = kBeforeWarningTaken;
    return;
  }
  for (std::int64_t i = 0; i < 4; ++i) {
    cella& cell = cell_at(m, cella_rif - i);
    cell.genere = kBeforeWarning;
    cell.dato1 = static_cast<Integer>(i + 1);
    if (d_v != 0) cell.dato2 = static_cast<Integer>(i + 1);
  }
}

void progressive_ordina(RouteModel& m) {
  struct Triple {
    Long a, b, c;
  };
  constexpr std::size_t kFirstProgressive = 81;
  std::array<Triple, 3> in{};
  for (std::size_t i = 0; i < 3; ++i) {
    const oggetto& o = m.oggetti.at(kFirstProgressive + i);
    in.at(i) = {o.valore_a, o.valore_b, o.valore_c};
  }

  std::array<Triple, 3> out{};
  // The sum is exact: three 32-bit values cannot overflow 64 bits, and a sum
  // that merely wraps to 0 must not count as "no A values".
  const std::int64_t sum = std::int64_t{in[0].a} + std::int64_t{in[1].a} + std::int64_t{in[2].a};
  if (sum == 0) {
    // Each test that holds replaces the result of the earlier ones.
    if (in[0].b > 0) out = in;
    if (in[1].b > 0) out = {in[1], in[0], in[2]};
    if (in[2].b > 0) out = {in[2], in[1], in[0]};
  } else {
    // Descending A; among equal A the triple of the higher-numbered item
    // comes first (the stable sort keeps the 83, 82, 81 start order).
    std::array<std::size_t, 3> order = {2, 1, 0};
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t i, std::size_t j) { return in.at(i).a > in.at(j).a; });
    for (std::size_t i = 0; i < 3; ++i) out.at(i) = in.at(order.at(i));
  }

  // The reordered triples are stored first, then each item whose C is 1 has
  // 100 added to its B, item by item: a sum that does not fit leaves the
  // items before it done.
  for (std::size_t i = 0; i < 3; ++i) {
    oggetto& o = m.oggetti.at(kFirstProgressive + i);
    o.valore_a = out.at(i).a;
    o.valore_b = out.at(i).b;
    o.valore_c = out.at(i).c;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    oggetto& o = m.oggetti.at(kFirstProgressive + i);
    if (o.valore_c != 1) continue;
    const std::int64_t b = std::int64_t{o.valore_b} + 100;
    if (!fits_32_bits(b)) {
      throw ReadError("kilometric progressive: bound plus 100 does not fit 32 bits");
    }
    o.valore_b = static_cast<Long>(b);
  }
}

}  // namespace sb

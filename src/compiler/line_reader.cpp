// The line phase of the source reader: the [generale] section, then the
// element rows (gradients, curves, mountain spans, boards, signs).
#include <algorithm>
#include <cctype>
#include <cstdint>

#include "compiler/cell_kinds.h"
#include "compiler/reader_state.h"
#include "compiler/storers.h"
#include "compiler/track_plan.h"
#include "sources/keywords.h"

namespace sb {

namespace {

constexpr int kGeneraleComments = 10;
constexpr int kElementComments = 2;

// ---- [generale] ----

RowOutcome read_length(ReaderState& st) {
  RouteModel& m = st.m;
  const Long length = st.reader->read_long();
  const Field at = st.reader->last();
  m.oggetti[84].valore_b = length;
  if (length > kMaxLineLength) {
    const RowOutcome e = st.fail(kLineTooLong, at);
    // Checking goes on as on the longest line, so that the rows after it are
    // still judged.
    if (st.checking()) m.create_cells(kMaxLineLength);
    return e;
  }
  if (length < 0) return st.fail(kNegativeLength, at);
  m.create_cells(length);
  return RowOutcome::kContinue;
}

void read_triple(ReaderState& st, oggetto& o) {
  o.valore_a = st.reader->read_long();
  o.valore_b = st.reader->read_long();
  o.valore_c = st.reader->read_long();
}

RowOutcome read_repetition(ReaderState& st) {
  oggetto& o = st.m.oggetti[86];
  const Field word = st.keyword;
  o.valore_a = st.reader->read_long();
  const Field start = st.reader->last();
  o.valore_b = st.reader->read_long();
  const Field end = st.reader->last();
  if (o.valore_a % kCellLength != 0) return st.fail(kRepetitionStart, start);
  if (o.valore_b % kCellLength != 0) return st.fail(kRepetitionEnd, end);
  if (contains_exact(word.text, "4")) {
    o.valore_c = 4;
  } else if (contains_exact(word.text, "9")) {
    o.valore_c = 9;
  } else {
    return st.fail(kRepetitionCodes, word);
  }
  if (o.valore_b == 0) o.valore_c = 0;
  return RowOutcome::kContinue;
}

// One pass of the [generale] loop over the field in st.keyword. Each test is
// independent of the others. Returns kEndLoop at the section header.
RowOutcome generale(ReaderState& st) {
  namespace w = keywords;
  const std::string f = st.keyword.text;
  RouteModel& m = st.m;
  bool matched = false;
  RowOutcome e = RowOutcome::kContinue;
  // Each test is independent of the others; a row refused while checking
  // is not tested further.
  const auto test = [&](bool applies, std::string_view keyword, auto action) {
    if (!applies || e != RowOutcome::kContinue) return;
    matched = true;
    e = st.row(row_syntax(keyword), [&] { return action(); });
  };
  const auto done = [] { return RowOutcome::kContinue; };
  test(contains(f, w::kPercorso) && contains(f, w::kLunghezza), "lunghezza percorso",
       [&] { return read_length(st); });
  // These word tests are case-sensitive.
  test(contains_exact(f, w::kTre) && contains_exact(f, w::kProgressiva),
       "progressiva chilometrica tre", [&] { return read_triple(st, m.oggetti[81]), done(); });
  test(contains_exact(f, w::kDue) && contains_exact(f, w::kProgressiva),
       "progressiva chilometrica due", [&] { return read_triple(st, m.oggetti[82]), done(); });
  test(contains_exact(f, w::kUno) && contains_exact(f, w::kProgressiva),
       "progressiva chilometrica uno", [&] { return read_triple(st, m.oggetti[83]), done(); });
  test(contains_exact(f, w::kSfondo) && contains_exact(f, w::kUno), "sfondo uno",
       [&] { return m.oggetti[85].valore_a = st.reader->read_long(), done(); });
  test(contains_exact(f, w::kSfondo) && contains_exact(f, w::kDue), "sfondo due",
       [&] { return m.oggetti[85].valore_c = st.reader->read_long(), done(); });
  test(contains_exact(f, w::kSfondo) && contains_exact(f, w::kTre), "sfondo tre",
       [&] { return m.oggetti[85].valore_b = st.reader->read_long(), done(); });
  test(contains_exact(f, w::kSegnali) && contains_exact(f, w::kRipetizione),
       "ripetizione segnali 4 codici", [&] { return read_repetition(st); });
  if (e != RowOutcome::kContinue) return e;
  const auto first = f.find_first_not_of(' ');
  const bool header = contains_exact(f, "[") && contains_exact(f, "]");
  if (header && (first == std::string::npos || f[first] != '-')) return RowOutcome::kEndLoop;
  if (!matched) st.warn_unrecognised(RowPlace::kGenerale);
  return RowOutcome::kContinue;
}

// ---- element rows ----

RowOutcome read_gradient(ReaderState& st) {
  const Long p = st.reader->read_long();
  const Field at = st.reader->last();
  const Long g = st.reader->read_long();
  if (st.out_of_range(p, at)) return st.range_failure();
  st.check_order(&st.last_gradient_row, p, at, "gradient");
  RouteModel& m = st.m;
  const Byte value = low8(std::int64_t{st.previous_gradient} + 100);
  const Long from = st.gradient_fill;
  fill_run(
      p, &st.gradient_fill, std::int64_t{m.last_cell()} + 1, [&] { return value; },
      [&](Long c, Byte v) { m.percorso[static_cast<std::size_t>(c)].pendenza = v; });
  st.filled(st.gradient_row, from, st.gradient_fill, &cella::pendenza, value);
  st.gradient_row = st.place_of(at);
  st.previous_gradient = g;
  return RowOutcome::kContinue;
}

RowOutcome read_curve(ReaderState& st) {
  const Field word = st.keyword;
  const Long s = st.reader->read_long();
  const Field at = st.reader->last();
  const Long l = st.reader->read_long();
  if (st.out_of_range(s, at)) return st.range_failure();
  double k = 0;
  if (!curvature(word.text, &k)) return st.fail(kBadCurve, word);
  if (st.last_curve_end && s < *st.last_curve_end) {
    st.warn(Warning::kOverlappingCurves, at,
            "this curve begins at " + std::to_string(s) + " m, before the curve above it ends at " +
                std::to_string(*st.last_curve_end) + " m: the track plan bends by both");
  }
  st.last_curve_end = std::int64_t{s} + l;
  TrackPlan& t = st.m.tracciato;
  // The steps up to `to`, as one run: as far as the track plan reaches (a
  // step beyond its last point has nowhere to go) and the geometry limit
  // allows (the step to the limit is the last one).
  auto steps = [&](std::int64_t to, auto add) {
    if (st.geometry_metre > to) return RowOutcome::kContinue;
    const auto last = static_cast<Long>(
        std::min<std::int64_t>({to, t.last_metre(), std::int64_t{kGeometryLimit}}));
    if (last >= st.geometry_metre) {
      add(st.geometry_metre, last);
      st.geometry_metre = last + 1;
    }
    if (st.geometry_metre > kGeometryLimit) return st.fail(kBadCurve, word);
    if (st.geometry_metre <= to) return st.fail(kCurveBeyondTrackPlan, word, s);
    return RowOutcome::kContinue;
  };
  if (steps(s, [&](Long from, Long to) { t.add_straight(from, to); }) == RowOutcome::kReturn)
    return RowOutcome::kReturn;
  return steps(std::int64_t{s} + l, [&](Long from, Long to) { t.add_curve(from, to, k); });
}

RowOutcome read_mountain(ReaderState& st) {
  const Long inizio = st.reader->read_long();
  const Field at = st.reader->last();
  const Long fine = st.reader->read_long();
  const Long tipo = st.reader->read_long();
  if (st.out_of_range(inizio, at)) return st.range_failure();
  return st.call_storer(at, inizio, [&] { memo_montagna(st.m, inizio, fine, tipo); });
}

RowOutcome read_boards(ReaderState& st) {
  Long v[9];
  v[0] = st.reader->read_long();
  const Field at = st.reader->last();
  for (int i = 1; i < 9; ++i) v[i] = st.reader->read_long();
  if (st.out_of_range(v[0], at)) return st.range_failure();
  const RowOutcome e = st.call_storer(at, v[0], [&] {
    memo_indicatori_v_max(st.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
  });
  if (e != RowOutcome::kContinue) return e;
  const std::int64_t c = cell_of(Placement::kPoint, v[0]);
  st.placed(kSpeedBoards, c, v[0], at);
  // Boards with stripes announce a lower speed ahead; the speed holds from
  // the board without stripes on.
  if (v[4] == 0 && v[8] == 0)
    st.boards.push_back({c, {v[1], v[2], v[3], v[5], v[6], v[7]}, st.place_of(at)});
  st.warn_beyond_line_end(v[0], at, "the speed boards");
  return e;
}

RowOutcome read_sign(ReaderState& st) {
  RouteModel& m = st.m;
  const Long p = st.reader->read_long();
  const Field at = st.reader->last();
  const std::string text = st.reader->read_text().text;
  if (st.out_of_range(p, at)) return st.range_failure();
  const std::int64_t c = cell_of(Placement::kPoint, p);
  if (c < 0) return st.fail(kBeforeRouteStart, at, p);
  if (!cella_libera(m.percorso[static_cast<std::size_t>(c)])) return st.fail(kSignCellTaken, at, p);
  // Sign texts take the items from 80 down to 0.
  if (st.next_sign_slot < 0) return st.fail(kTooManySigns, at, p);
  cella& cell = m.percorso[static_cast<std::size_t>(c)];
  cell.genere = kSign;
  cell.dato1 = low16(st.next_sign_slot);
  m.oggetti[static_cast<std::size_t>(st.next_sign_slot)].testo = text;
  --st.next_sign_slot;
  st.placed(kSign, c, p, at);
  st.warn_beyond_line_end(p, at, "the sign");
  st.check_text(text, at);
  return RowOutcome::kContinue;
}

// One pass of the main loop over the field in st.keyword.
RowOutcome element(ReaderState& st) {
  namespace w = keywords;
  const std::string f = st.keyword.text;
  RowOutcome e = RowOutcome::kContinue;
  bool matched = false;
  auto attempt = [&](bool applies, std::string_view keyword, RowOutcome (*handler)(ReaderState&)) {
    if (e != RowOutcome::kContinue || !applies) return;
    matched = true;
    e = st.row(row_syntax(keyword), [&] { return handler(st); });
  };
  attempt(contains(f, w::kPendenza), "pendenza", read_gradient);
  attempt(st.m.scrivi_linea != 0 && contains(f, w::kCurva), "curva", read_curve);
  attempt(contains(f, w::kMontagna), "montagna", read_mountain);
  attempt(contains(f, w::kIndicatoriV), "indicatori_vmax", read_boards);
  attempt(contains(f, w::kIndicat) && contains(f, w::kCartello), "cartello_indicatore", read_sign);
  if (!matched && !(st.m.scrivi_linea == 0 && contains(f, w::kCurva)))
    st.warn_unrecognised(RowPlace::kLineElements);
  if (matched && e == RowOutcome::kContinue && !f.empty() && f.front() == '[')
    st.warn(Warning::kKeywordInHeader, st.keyword,
            "the header `" + f + "` holds a keyword and is read as a row: name it otherwise");
  return e;
}

}  // namespace

bool read_line_source(ReaderState& st) {
  RouteModel& m = st.m;
  if (!st.sources.exists(Source::kLine) || !st.open(Source::kLine)) {
    st.current = Source::kLine;
    st.record_without_place(kLineSourceMissing);
    return false;
  }
  FieldReader& in = *st.reader;

  // Everything before "[generale]" is ignored.
  bool found = false;
  bool warned = false;
  while (!in.at_end()) {
    st.keyword = in.read_text();
    if (contains(st.keyword.text, keywords::kGenerale)) {
      found = !in.at_end();
      break;
    }
    if (!warned && std::any_of(st.keyword.text.begin(), st.keyword.text.end(), ::isalpha)) {
      warned = true;
      st.warn(Warning::kRowBeforeGenerale, st.keyword,
              "`" + st.keyword.text +
                  "` stands before the [generale] header, and everything before it is ignored");
    }
  }
  if (!found) {
    st.fail(kNoGenerale, in.last());
    return false;
  }

  // The [generale] section, up to the first section header.
  while (!in.at_end()) {
    if (!st.next_keyword(kGeneraleComments, false)) break;
    const RowOutcome e = generale(st);
    if (e == RowOutcome::kReturn) return false;
    if (e == RowOutcome::kEndLoop) break;
    if (e == RowOutcome::kSkipRow) in.resume_after_row();
  }

  progressive_ordina(m);
  m.n_montagne = 0;
  if (m.scrivi_linea != 0) {
    if (!m.tracciato.allocated()) throw ReadError("no line length was read");
    m.tracciato.set_integer(0, 0, 0);
    m.tracciato.set_integer(1, 0, 1);
  }

  // The element rows.
  while (!in.at_end()) {
    if (!st.next_keyword(kElementComments, true)) break;
    const RowOutcome e = element(st);
    if (e == RowOutcome::kReturn) return false;
    if (e == RowOutcome::kEndLoop) break;
    if (e == RowOutcome::kSkipRow) in.resume_after_row();
  }

  // End of the phase: the gradient tail and the rest of the track plan.
  st.close_and_remove(Source::kLine);
  if (!m.has_cells()) throw ReadError("no line length was read");
  const Byte gradient = low8(std::int64_t{st.previous_gradient} + 100);
  const Long gradient_end = complete_run(
      m, st.gradient_fill, [&] { return gradient; },
      [&](Long c, Byte v) { m.percorso[static_cast<std::size_t>(c)].pendenza = v; });
  st.filled(st.gradient_row, st.gradient_fill, gradient_end, &cella::pendenza, gradient);
  if (m.scrivi_linea != 0) {
    if (st.geometry_metre <= m.lunghezza_estesa - 2) {
      m.tracciato.add_straight(st.geometry_metre, m.lunghezza_estesa - 2);
      st.geometry_metre = m.lunghezza_estesa - 1;
    }
  }
  return true;
}

}  // namespace sb

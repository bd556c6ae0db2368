// The train phase of the source reader: the train's scalar data, the speed
// and adhesion profiles, signals, slowdowns, abbattimento marks and the
// timetable stations, then the check of the kilometric progressives.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "compiler/cell_kinds.h"
#include "compiler/reader_state.h"
#include "compiler/storers.h"
#include "sources/keywords.h"

namespace sb {

namespace {

constexpr int kComments = 2;

struct TrainState {
  Long speed_fill = 0;
  Long adhesion_fill = 0;
  Long previous_speed = 0;
  Long previous_adhesion = 0;
  Long station = 1;  // the item that the next station row fills
  std::optional<Long> last_speed_row, last_adhesion_row, last_station_row;
  // The rows whose values the next speed and adhesion cells take.
  std::optional<SourcePlace> speed_row, adhesion_row;
  std::optional<Long> last_time;  // the time of the last station row that has one
  std::string last_time_station;
};

// A Long computed from Longs, as the model's 32-bit arithmetic would: a
// result that does not fit is a fault of the conversion.
Long to_long(std::int64_t v) {
  if (v < std::numeric_limits<Long>::min() || v > std::numeric_limits<Long>::max())
    throw ReadError("a computed value does not fit 32 bits");
  return static_cast<Long>(v);
}

// The stored speed: arrotonda(speed / 5), which must fit a Byte.
Byte stored_speed(Long v) {
  const std::int64_t r = arrotonda(static_cast<double>(v) / 5.0);
  if (r < 0 || r > 255) throw ReadError("a speed of " + std::to_string(v) + " km/h does not fit");
  return static_cast<Byte>(r);
}

RowOutcome read_speed(ReaderState& st, TrainState& t) {
  RouteModel& m = st.m;
  const Long p = st.reader->read_long();
  const Field at = st.reader->last();
  const Long v = st.reader->read_long();
  if (st.out_of_range(p, at)) return st.range_failure();
  st.check_order(&t.last_speed_row, p, at, "speed");
  const Long previous = t.previous_speed;
  const Long from = t.speed_fill;
  fill_run(
      p, &t.speed_fill, m.last_cell(), [&] { return stored_speed(previous); },
      [&](Long c, Byte b) { m.percorso[static_cast<std::size_t>(c)].velocita = b; });
  if (t.speed_fill > from)
    st.filled(t.speed_row, from, t.speed_fill, &cella::velocita, stored_speed(previous));
  t.speed_row = st.place_of(at);
  t.previous_speed = v;
  return RowOutcome::kContinue;
}

RowOutcome read_adhesion(ReaderState& st, TrainState& t) {
  RouteModel& m = st.m;
  const Long p = st.reader->read_long();
  const Field at = st.reader->last();
  const Long a = st.reader->read_long();
  if (st.out_of_range(p, at)) return st.range_failure();
  st.check_order(&t.last_adhesion_row, p, at, "adhesion");
  const Byte value = low8(t.previous_adhesion);
  const Long from = t.adhesion_fill;
  fill_run(
      p, &t.adhesion_fill, std::int64_t{m.last_cell()} + 1, [&] { return value; },
      [&](Long c, Byte b) { m.percorso[static_cast<std::size_t>(c)].aderenza = b; });
  st.filled(t.adhesion_row, from, t.adhesion_fill, &cella::aderenza, value);
  t.adhesion_row = st.place_of(at);
  t.previous_adhesion = a;
  return RowOutcome::kContinue;
}

RowOutcome read_signal(ReaderState& st) {
  Long v[11];
  v[0] = st.reader->read_long();
  const Field at = st.reader->last();
  for (int i = 1; i < 11; ++i) v[i] = st.reader->read_long();
  if (st.out_of_range(v[0], at)) return st.range_failure();
  const std::int64_t c = cell_of(Placement::kPoint, v[0]);
  // The approach cells already coded by another signal or a station.
  std::string covered;
  for (int k = 1; k <= 4; ++k) {
    if (st.m.cell_exists(c - 2 * k) &&
        st.m.percorso[static_cast<std::size_t>(c - 2 * k)].avviso != 0)
      covered += (covered.empty() ? "" : ", ") + std::to_string(c - 2 * k);
  }
  const RowOutcome e = st.call_storer(at, v[0], [&] {
    memo_segnale(st.m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
  });
  if (e != RowOutcome::kContinue) return e;
  st.placed(kSignal, c, v[0], at);
  st.warn_beyond_line_end(v[0], at, "the signal");
  if (!covered.empty())
    st.warn(Warning::kApproachOverwritten, at,
            "the approach codes of this signal overwrite those already in cells " + covered);
  return e;
}

RowOutcome read_slowdown(ReaderState& st) {
  Long v[6];
  v[0] = st.reader->read_long();
  const Field at = st.reader->last();
  for (int i = 1; i < 6; ++i) v[i] = st.reader->read_long();
  if (st.out_of_range(v[0], at)) return st.range_failure();
  const RowOutcome e = st.call_storer(
      at, v[0], [&] { memo_rallentamento(st.m, v[0], v[1], v[2], v[3], v[4], v[5]); });
  if (e != RowOutcome::kContinue) return e;
  st.placed(kSlowdownStart, cell_of(Placement::kPoint, v[0]), v[0], at);
  st.placed(kSlowdownEnd, cell_of(Placement::kPoint, low32(std::int64_t{v[0]} + v[2])), v[0], at);
  st.warn_beyond_line_end(v[0], at, "the slowdown");
  return e;
}

RowOutcome read_abbattimento(ReaderState& st) {
  RouteModel& m = st.m;
  const Long p = st.reader->read_long();
  const Field at = st.reader->last();
  const Long v = st.reader->read_long();
  if (st.out_of_range(p, at)) return st.range_failure();
  // Without the + 1 of the point elements.
  const std::int64_t c = cell_of(Placement::kCellStart, p);
  if (c < 0) return st.fail(kBeforeRouteStart, at, p);
  cella& cell = m.percorso[static_cast<std::size_t>(c)];
  if (!cella_libera(cell)) return st.fail(kAbbattimentoCellTaken, at, p);
  if (v > 0) {
    cell.genere = kMark;
    cell.dato1 = low16(v);
  } else {
    cell.genere = kMarkWithoutValue;
  }
  st.placed(cell.genere, c, p, at);
  st.warn_beyond_line_end(p, at, "the abbattimento point");
  return RowOutcome::kContinue;
}

RowOutcome read_station(ReaderState& st, TrainState& t) {
  RouteModel& m = st.m;
  FieldReader& in = *st.reader;
  const Field word = st.keyword;
  const Long k = t.station;
  // A station may not take an item that holds a sign text.
  if (k > st.next_sign_slot) return st.fail(kTooManyStations, word);
  oggetto& o = m.oggetti[static_cast<std::size_t>(k)];

  // Each field goes into the item as it is read: whatever a refused row has
  // read already stays there.
  const Long P = o.valore_c = in.read_long();
  const Field at = in.last();
  if (st.out_of_range(P, at, kStationMargin)) return st.range_failure();
  if (P % kCellLength != 0) return st.fail(kStationNotMultipleOf50, at, P);
  st.check_order(&t.last_station_row, P, at, "station");
  o.genere = in.read_byte();
  const Long L = in.read_long();
  if (L % kStationLengthUnit != 0) return st.fail(kStationLength, in.last(), P);
  o.opzione = in.read_byte();
  o.marca4 = in.read_byte();
  o.marca3 = in.read_byte();
  o.parametro1 = in.read_integer();
  o.parametro2 = in.read_integer();
  o.marca1 = in.read_byte();
  o.parametro3 = in.read_integer();
  o.parametro4 = in.read_integer();
  o.parametro5 = in.read_integer();
  o.marca2 = in.read_byte();
  const Long hours = in.read_long();
  const Long minutes = in.read_long();
  const Long seconds = in.read_long();
  o.testo = in.read_text().text;
  // (h x 60 + m) x 60 + s, each step in 32 bits.
  const Long hm = to_long(std::int64_t{to_long(std::int64_t{hours} * 60)} + minutes);
  o.valore_d = to_long(std::int64_t{to_long(std::int64_t{hm} * 60)} + seconds);
  st.check_text(o.testo, at);
  if (o.valore_d != 0) {
    if (t.last_time && o.valore_d < *t.last_time) {
      const auto clock = [](Long s) {
        const std::string mm = std::to_string(s / 60 % 60);
        return std::to_string(s / 3600) + ":" + (mm.size() < 2 ? "0" : "") + mm;
      };
      st.warn(Warning::kTimeBackwards, at,
              "station " + o.testo + " is timed at " + clock(o.valore_d) + ", before " +
                  t.last_time_station + " above it at " + clock(*t.last_time) +
                  ": the timetable runs backwards");
    }
    t.last_time = o.valore_d;
    t.last_time_station = o.testo;
    st.timed_stations.push_back({P, o.valore_d, o.testo, st.place_of(at)});
  }

  // The station area, each bound stored as soon as it is computed.
  const Byte genere = o.genere;
  if (genere == 5 || genere == 6) {
    o.valore_a = to_long(std::int64_t{P} - L);
    o.valore_b = to_long(std::int64_t{P} + 150);
    o.marca3 = 0;
  } else if (genere == 7 || genere == 8) {
    o.valore_a = to_long(std::int64_t{P} - L);
    o.valore_b = to_long(std::int64_t{P} + L);
    o.marca3 = 0;
  } else {
    o.valore_a = to_long(arrotonda(P - L / 2.0));
    o.valore_b = to_long(arrotonda(P + L / 2.0 + (o.marca3 != 0 ? 50 : 0)));
  }
  if (L < 600) o.marca4 = 0;
  if (k == 1) o.marca3 = o.marca4 = 0;

  // The approach marks, nearest the end first, then the end mark, for kinds
  // below 25. A mark that would fall beyond the last cell stops the row
  // there; the marks written before it stay.
  const double E = o.valore_b;
  if (genere < 25) {
    if (genere != 5 && genere != 6) {
      for (int n = 1; n <= 4; ++n) {
        if (E / 50.0 - n - 1 <= 1) continue;
        const std::int64_t c = arrotonda(E / 50.0 - n - 1);
        if (c > m.last_cell()) return st.fail(kBeyondLastCell, at, P);
        Byte& avviso = m.percorso[static_cast<std::size_t>(c)].avviso;
        if (avviso != 0 && avviso != 80 + n)
          st.warn(Warning::kApproachOverwritten, at,
                  "the approach mark of station " + o.testo + " overwrites the approach code " +
                      std::to_string(avviso) + " in cell " + std::to_string(c));
        avviso = low8(80 + n);
      }
    }
    if (E / 50.0 - 1 <= 1) return st.fail(kStationAtLineStart, at);
    const std::int64_t c = cell_of(Placement::kStationEnd, o.valore_b);
    if (c > m.last_cell()) return st.fail(kBeyondLastCell, at, P);
    cella& end = m.percorso[static_cast<std::size_t>(c)];
    if (!cella_libera(end))
      st.warn(Warning::kStationEndOverwrites, at,
              "the end mark of station " + o.testo + " overwrites " +
                  kind_with_article(end.genere) + " in cell " + std::to_string(c));
    end.genere = kStationEnd;
    end.dato1 = low16(k);
    st.placed(kStationEnd, c, P, at);
  }
  st.warn_beyond_line_end(P, at, "the station");
  if (k > 1 &&
      std::int64_t{o.valore_a} - kStationGap < m.oggetti[static_cast<std::size_t>(k - 1)].valore_b)
    return st.fail(kStationsTooClose, at, P);
  t.station = k + 1;
  if (t.station >= st.next_sign_slot) return st.fail(kTooManyStations, word);
  return RowOutcome::kContinue;
}

// One pass of the main loop over the field in st.keyword.
RowOutcome element(ReaderState& st, TrainState& t) {
  namespace w = keywords;
  RouteModel& m = st.m;
  FieldReader& in = *st.reader;
  const std::string f = st.keyword.text;
  RowOutcome e = RowOutcome::kContinue;
  bool matched = false;
  auto attempt = [&](bool applies, std::string_view keyword, auto handler) {
    if (e != RowOutcome::kContinue || !applies) return;
    matched = true;
    e = st.row(row_syntax(keyword), handler);
  };
  const auto done = [] { return RowOutcome::kContinue; };
  attempt(contains(f, w::kFrenata) && contains(f, w::kMassa), "percentuale massa frenata",
          [&] { return m.oggetti[84].valore_a = in.read_long(), done(); });
  attempt(contains(f, w::kVetture), "numero vetture",
          [&] { return m.oggetti[84].valore_c = in.read_long(), done(); });
  attempt(contains(f, w::kVelocit), "velocita", [&] { return read_speed(st, t); });
  attempt(contains(f, w::kAderenza), "aderenza", [&] { return read_adhesion(st, t); });
  attempt(contains(f, w::kOrologio), "orologio", [&] {
    m.oggetti[86].parametro3 = in.read_integer();
    m.oggetti[86].parametro4 = in.read_integer();
    m.oggetti[86].parametro5 = in.read_integer();
    return done();
  });
  attempt(contains(f, w::kSabbia), "sabbia",
          [&] { return m.oggetti[86].parametro1 = in.read_integer(), done(); });
  attempt(contains(f, w::kSegnale), "segnale", [&] { return read_signal(st); });
  attempt(contains(f, w::kRallentamento), "rallentamento", [&] { return read_slowdown(st); });
  attempt(contains(f, w::kAbbattimento), "abbattimento", [&] { return read_abbattimento(st); });
  attempt(contains(f, w::kStazione), "stazione", [&] { return read_station(st, t); });
  if (!matched) st.warn_unrecognised(RowPlace::kTrain);
  if (matched && e == RowOutcome::kContinue && !f.empty() && f.front() == '[')
    st.warn(Warning::kKeywordInHeader, st.keyword,
            "the header `" + f + "` holds a keyword and is read as a row: name it otherwise");
  return e;
}

}  // namespace

void read_train_source(ReaderState& st) {
  RouteModel& m = st.m;
  // There is no existence test: a missing train source is a failure to read.
  if (!st.open(Source::kTrain)) throw ReadError("the train source is missing");
  FieldReader& in = *st.reader;
  TrainState t;

  // Everything before "[generale]" is ignored; a source without it gives nothing.
  bool found = false;
  std::optional<Field> before;  // the first row before it, told of when there is a [generale]
  while (!in.at_end()) {
    const Field f = in.read_text();
    if (contains(f.text, keywords::kGenerale)) {
      found = true;
      break;
    }
    if (!before && std::any_of(f.text.begin(), f.text.end(), ::isalpha)) before = f;
  }
  if (!found) {
    st.warn(Warning::kNoGenerale, Field{"", 1, 1, 0},
            "the train source has no [generale] header, so nothing of it is read: begin it "
            "with [generale]");
  } else if (before) {
    st.warn(Warning::kRowBeforeGenerale, *before,
            "`" + before->text +
                "` stands before the [generale] header, and everything before it is ignored");
  }
  while (!in.at_end()) {
    if (!st.next_keyword(kComments, true)) break;
    const RowOutcome e = element(st, t);
    if (e == RowOutcome::kReturn) return;
    if (e == RowOutcome::kEndLoop) break;
    if (e == RowOutcome::kSkipRow) in.resume_after_row();
  }

  // End of the phase: the speed and adhesion tails.
  st.close_and_remove(Source::kTrain);
  const Long speed = t.previous_speed;
  const Long speed_end = complete_run(
      m, t.speed_fill, [&] { return stored_speed(speed); },
      [&](Long c, Byte b) { m.percorso[static_cast<std::size_t>(c)].velocita = b; });
  if (speed_end > t.speed_fill)
    st.filled(t.speed_row, t.speed_fill, speed_end, &cella::velocita, stored_speed(speed));
  const Byte adhesion = low8(t.previous_adhesion);
  const Long adhesion_end = complete_run(
      m, t.adhesion_fill, [&] { return adhesion; },
      [&](Long c, Byte b) { m.percorso[static_cast<std::size_t>(c)].aderenza = b; });
  st.filled(t.adhesion_row, t.adhesion_fill, adhesion_end, &cella::aderenza, adhesion);
  st.check_boards();
  st.check_timetable();

  // The kilometric progressives, as reordered, must start and end on a cell.
  for (int i = 81; i <= 83; ++i) {
    if (m.oggetti[i].valore_a % kCellLength != 0 || m.oggetti[i].valore_b % kCellLength != 0) {
      st.record_without_place(kProgressiveNotMultiple);
      break;
    }
  }
}

}  // namespace sb

#include "tools/decompiler.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <map>
#include <set>

#include "compiler/cell_kinds.h"
#include "compiler/input_limits.h"
#include "compiler/post_processing.h"
#include "compiler/route_values.h"
#include "compiler/storers.h"
#include "compiler/track_plan.h"
#include "sources/ascii.h"

namespace sb {

namespace {

// The section headers of the built-in sources, by their place in
// section_headers().
enum LineSection {
  kLineGenerale,
  kCurve,
  kPendenze,
  kMontagne,
  kCartelli,
  kIndicazioni,
  kLineFine
};
enum TrainSection {
  kTrainGenerale,
  kAderenze,
  kVelLimite,
  kStazioni,
  kRallentamenti,
  kSegnali,
  kCodici,
  kTrainFine
};

std::string_view header(Source s, int section) {
  return section_headers(s)[static_cast<std::size_t>(section)];
}

std::string_view keyword(Row r) {
  return row_syntax(r).keyword;
}

std::string number(std::int64_t v) {
  return std::to_string(v);
}

// v right-aligned in `width` characters (wider when it does not fit).
std::string pad(std::int64_t v, std::size_t width) {
  std::string s = std::to_string(v);
  if (s.size() < width) s.insert(0, width - s.size(), ' ');
  return s;
}

// A text as the last field of a row: quoted when the reader would otherwise
// drop or cut part of it. Sets *doubt when no field reads back as `t`.
std::string text_field(const std::string& t, std::string* doubt) {
  if (t.find_first_of("\r\n") != std::string::npos) {
    *doubt = "the text holds a line end, which no field can hold";
  }
  const bool quote = !t.empty() && (t.find(',') != std::string::npos || is_blank(t.front()) ||
                                    is_blank(t.back()) || t.front() == '"');
  if (!quote) return t;
  if (t.find('"') != std::string::npos) {
    *doubt = "the text holds a double quote and needs quoting, which no field can give";
  }
  return "\"" + t + "\"";
}

// The position that a point element (signal, boards, sign, slowdown start)
// needs to land in cell c: the inverse of indice_cella.
Long point_position(std::int64_t c) {
  return low32(c * kCellLength - kCellLength);
}

// The position of a running value's row or an abbattimento point for cell c.
Long cell_start_position(std::int64_t c) {
  return low32(c * kCellLength);
}

class Decompiler {
 public:
  Decompiler(const std::vector<cella>& percorso, const std::array<oggetto, kItemCount>& oggetti,
             std::optional<std::string_view> track_plan)
      : cells_(percorso), items_(oggetti), track_plan_(track_plan) {
    // The fixed slots of cell 1 are the compiler's: what the rows put there
    // was 0.
    if (cells_.size() > 1) {
      cells_[1].dato1 = 0;
      cells_[1].dato2 = 0;
    }
    items_[kScenarioItem].parametro1 = 0;
    items_[kScenarioItem].valore_d = 0;
    n_ = static_cast<std::int64_t>(cells_.size()) - 1;
  }

  Decompiled run() {
    Decompiled d;
    d.scenario = items_[kScenarioItem].testo;
    d.treno = items_[kTrainItem].testo;
    d.track_plan = track_plan_.has_value();
    find_signs_and_stations();
    line_source(d.line);
    d.track_plan_read = track_plan_read_;
    train_source(d.train);
    return d;
  }

 private:
  using Rows = std::vector<DecompiledRow>;

  void add(Rows& rows, std::string text, RowOrigin origin = {}, std::string doubt = {}) {
    rows.push_back({std::move(text), std::move(origin), std::move(doubt), {}});
  }
  static RowOrigin cells(std::int64_t first, std::int64_t last) {
    RowOrigin o;
    o.first_cell = first;
    o.last_cell = last;
    return o;
  }
  static RowOrigin item(std::size_t i, std::vector<std::string_view> fields = {}) {
    RowOrigin o;
    o.item = i;
    o.item_fields = std::move(fields);
    return o;
  }

  // ---- the items: which hold signs, which stations ----

  static bool station_like(const oggetto& o) {
    return o.genere != 0 || o.valore_a != 0 || o.valore_b != 0 || o.valore_c != 0 ||
           o.opzione != 0 || o.parametro1 != 0 || o.parametro2 != 0 || o.parametro3 != 0 ||
           o.parametro4 != 0 || o.parametro5 != 0 || o.marca1 != 0 || o.marca2 != 0 ||
           o.marca3 != 0 || o.marca4 != 0 || o.valore_d != 0;
  }

  // Stations fill the items from 1 up, in the order of their rows; signs the
  // items from 80 down, in the order of theirs. A sign whose cell a station's
  // end mark took later has left only its text: it is given back as a sign
  // on that station's end cell, so that the signs after it keep their items.
  void find_signs_and_stations() {
    for (std::size_t c = 0; c < cells_.size(); ++c) {
      const cella& z = cells_[c];
      if (z.genere == kSign && z.dato1 >= 0 && z.dato1 <= static_cast<Integer>(kLastSignItem))
        sign_cells_[static_cast<std::size_t>(z.dato1)].push_back(static_cast<std::int64_t>(c));
      if (z.genere == kStationEnd) station_end_cells_.push_back(static_cast<std::int64_t>(c));
    }
    stations_ = 0;
    for (std::size_t i = kFirstStationItem; i <= kLastSignItem; ++i)
      if (station_like(items_[i]) && !sign_cells_.contains(i)) stations_ = i;
    lowest_sign_ = kLastSignItem + 1;
    if (!sign_cells_.empty()) lowest_sign_ = sign_cells_.begin()->first;
    for (std::size_t i = stations_ + 1; i <= kLastSignItem; ++i) {
      if (!items_[i].testo.empty() && !station_like(items_[i])) {
        lowest_sign_ = std::min(lowest_sign_, i);
        break;
      }
    }
    // Item 0 holds a text only as an 81st sign.
    if (lowest_sign_ == 1 && !items_[0].testo.empty()) lowest_sign_ = 0;
  }

  // ---- the line source ----

  void line_source(DecompiledSource& out) {
    Rows& r = out.rows;
    add(r, std::string(header(Source::kLine, kLineGenerale)));
    generale(r);
    add(r, std::string(header(Source::kLine, kCurve)));
    curves(r);
    add(r, std::string(header(Source::kLine, kPendenze)));
    gradients(r);
    add(r, std::string(header(Source::kLine, kMontagne)));
    mountains(r);
    add(r, std::string(header(Source::kLine, kCartelli)));
    boards(r);
    add(r, std::string(header(Source::kLine, kIndicazioni)));
    signs(r);
    add(r, std::string(header(Source::kLine, kLineFine)));
  }

  static std::string generale_row(Row row, std::initializer_list<std::int64_t> values) {
    std::string s(keyword(row));
    s += ',';
    bool first = true;
    for (const std::int64_t v : values) {
      if (!first) s += ',';
      first = false;
      s += "    " + number(v);
    }
    return s;
  }

  void generale(Rows& r) {
    const oggetto& line = items_[kLineItem];
    std::string doubt;
    if (static_cast<Long>(cells_.size()) - 1 != last_cell_for_length(line.valore_b)) {
      doubt = "the route has " + number(static_cast<std::int64_t>(cells_.size())) +
              " cells; a line of this length has " +
              number(last_cell_for_length(line.valore_b) + 1);
    }
    add(r, generale_row(Row::kLunghezzaPercorso, {line.valore_b}), item(kLineItem, {"valore_b"}),
        doubt);
    kilometric_references(r);
    const oggetto& scenario = items_[kScenarioItem];
    add(r, generale_row(Row::kSfondoUno, {scenario.valore_a}), item(kScenarioItem, {"valore_a"}));
    add(r, generale_row(Row::kSfondoDue, {scenario.valore_c}), item(kScenarioItem, {"valore_c"}));
    add(r, generale_row(Row::kSfondoTre, {scenario.valore_b}), item(kScenarioItem, {"valore_b"}));
    const oggetto& train = items_[kTrainItem];
    const bool nine = train.valore_c == 9;
    doubt.clear();
    if (train.valore_b == 0 ? train.valore_c != 0 : (train.valore_c != 4 && !nine)) {
      doubt = "signal repetition with " + number(train.valore_c) +
              " codes, which no row gives with this end";
    } else if (train.valore_a % kCellLength != 0 || train.valore_b % kCellLength != 0) {
      doubt = "the signal repetition does not start and end on a cell";
    }
    add(r,
        generale_row(nine ? Row::kRipetizioneSegnali9 : Row::kRipetizioneSegnali4,
                     {train.valore_a, train.valore_b}),
        item(kTrainItem, {"valore_a", "valore_b", "valore_c"}), doubt);
  }

  // Items 81 to 83 as the compiler ordered them: the rows whose ordering
  // gives them back, found by trying the orders of the three triples.
  void kilometric_references(Rows& r) {
    struct Triple {
      Long a, b, c;
    };
    std::array<Triple, 3> want{};
    std::array<Triple, 3> given{};
    bool fits = true;
    for (std::size_t i = 0; i < 3; ++i) {
      const oggetto& o = items_[kReferenceItemA + i];
      want[i] = {o.valore_a, o.valore_b, o.valore_c};
      // A C of 1 had 100 added to its B.
      const std::int64_t b = o.valore_c == 1 ? std::int64_t{o.valore_b} - 100 : o.valore_b;
      if (b < std::numeric_limits<Long>::min()) fits = false;
      given[i] = {o.valore_a, low32(b), o.valore_c};
    }
    // given[i] as the rows: tre, due, uno fill items 81, 82, 83 before the
    // ordering.
    std::array<std::size_t, 3> order = {0, 1, 2};
    std::optional<std::array<std::size_t, 3>> found;
    do {
      RouteModel m;
      for (std::size_t i = 0; i < 3; ++i) {
        oggetto& o = m.oggetti[kReferenceItemA + i];
        o.valore_a = given[order[i]].a;
        o.valore_b = given[order[i]].b;
        o.valore_c = given[order[i]].c;
      }
      try {
        progressive_ordina(m);
      } catch (const std::exception&) {
        continue;
      }
      bool same = true;
      for (std::size_t i = 0; i < 3; ++i) {
        const oggetto& o = m.oggetti[kReferenceItemA + i];
        same =
            same && o.valore_a == want[i].a && o.valore_b == want[i].b && o.valore_c == want[i].c;
      }
      if (same) {
        found = order;
        break;
      }
    } while (std::next_permutation(order.begin(), order.end()));
    std::string doubt;
    if (!found || !fits) {
      found = std::array<std::size_t, 3>{0, 1, 2};
      doubt = "no order of the three kilometric references gives these items back";
    }
    // Items 83, 82, 81 are read from the rows uno, due, tre.
    const Row rows[] = {Row::kProgressivaTre, Row::kProgressivaDue, Row::kProgressivaUno};
    std::string texts[3];
    for (std::size_t i = 0; i < 3; ++i) {
      const Triple& t = given[(*found)[i]];
      texts[i] = generale_row(rows[i], {t.a, t.b, t.c});
    }
    for (std::size_t i = 3; i-- > 0;) add(r, texts[i], item(kReferenceItemA + i), doubt);
  }

  // ---- running values ----

  // The rows of a running value: a row at 0 with the value of cell 0, then a
  // row at each cell whose value differs from the one before, up to the
  // cell that the last row fills to the end (n - 3); a value in cell n - 2
  // needs a row there of its own.
  template <typename Value>
  std::vector<std::pair<std::int64_t, int>> runs(Value value) const {
    std::vector<std::pair<std::int64_t, int>> out;
    if (cells_.empty()) return out;
    out.push_back({0, value(cells_[0])});
    for (std::int64_t c = 1; c <= n_ - 3; ++c) {
      const int v = value(cells_[static_cast<std::size_t>(c)]);
      if (v != value(cells_[static_cast<std::size_t>(c - 1)])) out.push_back({c, v});
    }
    if (n_ >= 3 && value(cells_[static_cast<std::size_t>(n_ - 2)]) != 0)
      out.push_back({n_ - 2, value(cells_[static_cast<std::size_t>(n_ - 2)])});
    return out;
  }

  std::string tail_doubt(Byte cella::*field) const {
    for (std::int64_t c = std::max<std::int64_t>(n_ - 1, 0); c <= n_; ++c) {
      if (cells_[static_cast<std::size_t>(c)].*field != 0)
        return "cell " + number(c) + " holds a value that no row reaches";
    }
    return {};
  }

  // The cells a run row gives back: from its own to the next row's.
  template <typename Runs>
  RowOrigin run_origin(const Runs& rs, std::size_t i) const {
    const std::int64_t last = i + 1 < rs.size() ? rs[i + 1].first - 1 : n_;
    return cells(rs[i].first, last);
  }

  void gradients(Rows& r) {
    const auto rs = runs([](const cella& c) { return int{c.pendenza}; });
    const std::string doubt = tail_doubt(&cella::pendenza);
    for (std::size_t i = 0; i < rs.size(); ++i) {
      const auto [c, byte] = rs[i];
      const int gradient = byte - 100;  // the rule of gradient_per_mille
      std::string s(keyword(Row::kPendenza));
      if (c == 0) {
        s += ",   0,    " + number(gradient);
      } else {
        s += ",  " + number(cell_start_position(c)) + ",   " + number(gradient);
      }
      add(r, s, run_origin(rs, i), i + 1 == rs.size() ? doubt : std::string());
    }
  }

  // ---- curves, from the steps of the track plan ----

  // The tagged values of a track plan, read in place.
  struct TaggedValues {
    std::string_view bytes;
    std::size_t pos = 0;

    bool next(TrackValue* v) {
      if (pos + 2 > bytes.size()) return false;
      const auto byte = [&](std::size_t i) {
        return static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i]));
      };
      const std::uint64_t tag = byte(pos) | byte(pos + 1) << 8;
      pos += 2;
      if (tag == static_cast<std::uint64_t>(TrackValueType::kEmpty)) {
        *v = {};
        return true;
      }
      if (tag == static_cast<std::uint64_t>(TrackValueType::kInteger)) {
        if (pos + 2 > bytes.size()) return false;
        const auto raw = static_cast<std::uint16_t>(byte(pos) | byte(pos + 1) << 8);
        pos += 2;
        *v = {TrackValueType::kInteger, static_cast<double>(static_cast<Integer>(raw))};
        return true;
      }
      if (tag == static_cast<std::uint64_t>(TrackValueType::kDouble)) {
        if (pos + 8 > bytes.size()) return false;
        std::uint64_t raw = 0;
        if constexpr (std::endian::native == std::endian::little) {
          std::memcpy(&raw, bytes.data() + pos, 8);
        } else {
          for (std::size_t i = 0; i < 8; ++i) raw |= byte(pos + i) << (8 * i);
        }
        pos += 8;
        *v = {TrackValueType::kDouble, std::bit_cast<double>(raw)};
        return true;
      }
      return false;
    }
  };

  static bool same_bits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
  }

  struct CurveRun {
    Long first;  // the first metre turned
    Long last;
    std::size_t cls;
    bool left;
  };

  void curves(Rows& r) {
    if (!track_plan_) return;
    // The y values follow the x values, and the two coordinates of a point
    // have the same type: the y half begins in the middle of the file. A
    // file where it does not is counted through instead.
    const Long expected = items_[kLineItem].valore_b + kRunOut;
    const std::string_view bytes = *track_plan_;
    std::size_t y_start = bytes.size() / 2;
    std::size_t points = 0;
    std::vector<CurveRun> found;
    std::string plan_doubt;
    track_plan_read_ = scan_steps(y_start, &points, &found, &plan_doubt);
    if (!track_plan_read_) {
      TaggedValues all{bytes};
      std::size_t count = 0;
      for (TrackValue v; all.next(&v);) ++count;
      TaggedValues x_half{bytes};
      TrackValue ignored;
      for (std::size_t i = 0; i < count / 2 && x_half.next(&ignored); ++i) {
      }
      y_start = x_half.pos;
      found.clear();
      plan_doubt.clear();
      track_plan_read_ = scan_steps(y_start, &points, &found, &plan_doubt);
    }
    if (static_cast<std::int64_t>(points) != std::int64_t{expected} + 1) {
      plan_doubt = "the track plan has " + number(static_cast<std::int64_t>(points)) +
                   " points; a line of this length has " + number(std::int64_t{expected} + 1);
    }
    const auto classes = curve_classes();
    for (const CurveRun& c : found) {
      // A curve row turns the metres start + 1 to start + length.
      const Long start = c.first - 1;
      const Long length = c.last - c.first + 1;
      RowOrigin o;
      o.first_metre = c.first;
      o.last_metre = c.last;
      add(r, curve_keyword(classes[c.cls], c.left) + ",  " + number(start) + ",  " + number(length),
          o);
    }
    // On the last curve row, or on the header when there is none.
    if (!plan_doubt.empty()) r.back().doubt = plan_doubt;
  }

  // The steps of the points, x values from the start of the file and y
  // values from y_start: the runs of curves, and what follows no step.
  // Returns false when the two halves do not end where they should.
  bool scan_steps(std::size_t y_start, std::size_t* points, std::vector<CurveRun>* runs,
                  std::string* doubt) const {
    const std::string_view bytes = *track_plan_;
    const Long expected = items_[kLineItem].valore_b + kRunOut;
    TaggedValues xs{bytes.substr(0, y_start)};
    TaggedValues ys{bytes, y_start};
    std::vector<CurveRun>& found = *runs;
    std::string& plan_doubt = *doubt;
    // Every curvature the rule knows, each with its class and side.
    struct Candidate {
      double k;
      std::size_t cls;
      bool left;
    };
    std::vector<Candidate> candidates;
    const auto classes = curve_classes();
    for (std::size_t i = 0; i < classes.size(); ++i) {
      candidates.push_back({classes[i].curvature, i, false});
      candidates.push_back({-classes[i].curvature, i, true});
    }

    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    // -1: straight, otherwise the candidate of the step before.
    int previous = -1;
    Long last_step = -1;
    bool empty_seen = false;
    std::size_t m = 0;
    for (; xs.pos < xs.bytes.size(); ++m) {
      TrackValue x, y;
      if (!xs.next(&x) || !ys.next(&y)) return false;
      if (m < 2) {
        const double want_y = m == 0 ? 0 : 1;
        if (x.type != TrackValueType::kInteger || x.value != 0 || y.value != want_y)
          plan_doubt = "the track plan does not start at (0, 0) heading along +y";
        x0 = x1;
        y0 = y1;
        x1 = x.value;
        y1 = y.value;
        continue;
      }
      if (x.type == TrackValueType::kEmpty) {
        empty_seen = true;
        continue;
      }
      if (empty_seen || x.type != TrackValueType::kDouble) {
        if (plan_doubt.empty())
          plan_doubt = "metre " + number(static_cast<std::int64_t>(m)) +
                       " of the track plan follows no step of the rule";
        continue;
      }
      const double dx = x1 - x0;
      const double dy = y1 - y0;
      const auto step_is = [&](int candidate) {
        if (candidate < 0) return same_bits(x.value, x1 + dx) && same_bits(y.value, y1 + dy);
        const double k = candidates[static_cast<std::size_t>(candidate)].k;
        const double kdy = k * dy;
        const double kdx = k * dx;
        return same_bits(x.value, x1 + (dx + kdy)) && same_bits(y.value, y1 + (dy - kdx));
      };
      int step = -2;
      if (step_is(previous)) {
        step = previous;
      } else if (step_is(-1)) {
        step = -1;
      } else {
        for (int i = 0; i < static_cast<int>(candidates.size()); ++i) {
          if (step_is(i)) {
            step = i;
            break;
          }
        }
      }
      if (step == -2) {
        if (plan_doubt.empty())
          plan_doubt = "metre " + number(static_cast<std::int64_t>(m)) +
                       " of the track plan follows no step of the rule";
        step = -1;
      }
      const Long metre = static_cast<Long>(m);
      if (step >= 0) {
        const Candidate& c = candidates[static_cast<std::size_t>(step)];
        if (step == previous && !found.empty() && found.back().last == metre - 1) {
          found.back().last = metre;
        } else {
          found.push_back({metre, metre, c.cls, c.left});
        }
      }
      previous = step;
      last_step = metre;
      x0 = x1;
      y0 = y1;
      x1 = x.value;
      y1 = y.value;
    }
    // The reader draws straight track to metre E - 2 after the last curve:
    // steps beyond it come only from a curve.
    if (plan_doubt.empty() && last_step >= 0 && last_step != expected - 2 &&
        (found.empty() || found.back().last != last_step)) {
      plan_doubt = "the track plan ends at metre " + number(last_step) + ", not " +
                   number(std::int64_t{expected} - 2);
    }
    *points = m;
    return ys.pos == bytes.size();
  }

  // ---- mountain spans ----

  struct Span {
    std::int64_t first, last;
    Byte value;
    bool marked;
    std::string doubt;
  };

  // The spans of one run of cells of one mountain kind: where the mountain
  // marks (every fourth cell from a span's first) fall says where each span
  // begins. A fourth cell without its mark must hold an element placed
  // after the span.
  void spans_of_run(std::int64_t from, std::int64_t to, Byte value, std::vector<Span>& out) const {
    const auto genere = [&](std::int64_t c) { return cells_[static_cast<std::size_t>(c)].genere; };
    std::int64_t s = from;
    while (s <= to) {
      std::int64_t m = s;
      while (m <= to && genere(m) != kMountainMark) ++m;
      if (m > to) {
        out.push_back({s, to, value, false, {}});
        return;
      }
      std::int64_t start = m - 3;
      std::string doubt;
      if (start < s) {
        start = s;
        doubt = "the mountain mark in cell " + number(m) + " is not a fourth cell of any span";
      } else if (start > s) {
        out.push_back({s, start - 1, value, false, {}});
      }
      // The span runs on while its fourth cells hold marks (or later
      // elements) and no other cell does. A free fourth cell ends it; a mark
      // out of step is the fourth cell of the next span, which ends this one
      // four cells before it.
      std::int64_t e = start;
      std::int64_t last_mark = m;
      while (e + 1 <= to) {
        const std::int64_t c = e + 1;
        const bool fourth = (c - start + 1) % 4 == 0;
        if (fourth && genere(c) == kFree) break;
        if (!fourth && genere(c) == kMountainMark) {
          e = std::max(c - 4, last_mark);
          break;
        }
        if (genere(c) == kMountainMark) last_mark = c;
        e = c;
      }
      // The next span's first cell comes three before its first mark.
      std::int64_t next = e + 1;
      while (next <= to && genere(next) != kMountainMark) ++next;
      if (next <= to) e = std::min(e, next - 4);
      e = std::max(e, last_mark);
      out.push_back({start, e, value, true, doubt});
      s = e + 1;
    }
  }

  void mountains(Rows& r) {
    std::vector<Span> spans;
    std::int64_t c = 0;
    while (c <= n_) {
      const Byte v = cells_[static_cast<std::size_t>(c)].montagna;
      if (v == 0) {
        ++c;
        continue;
      }
      std::int64_t e = c;
      while (e + 1 <= n_ && cells_[static_cast<std::size_t>(e + 1)].montagna == v) ++e;
      spans_of_run(c, e, v, spans);
      c = e + 1;
    }
    // A mountain mark outside every span: the doubt goes on the header.
    for (std::int64_t i = 0; i <= n_; ++i) {
      const cella& z = cells_[static_cast<std::size_t>(i)];
      if (z.genere == kMountainMark && z.montagna == 0) {
        r.back().doubt = "cell " + number(i) + " holds a mountain mark outside every span";
        r.back().origin = cells(i, i);
        break;
      }
    }
    std::optional<Long> previous_fine;
    Long count = 0;
    for (const Span& s : spans) {
      Long inizio = low32(s.first * kCellLength);
      const Long fine = low32((s.last + 1) * kCellLength);
      // A span that begins 150 m or less after the one before it is of kind
      // 3, whatever its row says: 50 m gaps of 3 cells are widened within
      // the first cell; shorter ones get an empty span between, which covers
      // no cell and only moves the end that the rule looks at.
      if (previous_fine && s.value != 3 && std::int64_t{inizio} - *previous_fine <= 150) {
        // The start must still pass the range rule.
        const std::int64_t in_range = n_ * kCellLength - kPositionMargin;
        if (std::int64_t{inizio} + 24 - *previous_fine > 150 && inizio + 24 <= in_range) {
          inizio += 24;
        } else {
          add(r,
              std::string(keyword(Row::kMontagna)) + ",   " + number(inizio) + ",  " +
                  number(std::int64_t{inizio} - 1000) + ",  0",
              cells(s.first, s.first));
          ++count;
        }
      }
      // Kinds above 10 are the kind less 10 with marks; a kind above 10
      // without marks wraps round from below 0.
      std::int64_t tipo = s.value;
      if (s.marked) {
        tipo = s.value + 10;
      } else if (s.value > 10) {
        tipo = s.value - 256;
      }
      std::string doubt = s.doubt;
      if (++count > kMaxMountainSpans && doubt.empty())
        doubt = "more than " + number(kMaxMountainSpans) + " mountain spans";
      add(r,
          std::string(keyword(Row::kMontagna)) + ",   " + number(inizio) + ",  " + number(fine) +
              ",  " + number(tipo),
          cells(s.first, s.last), doubt);
      previous_fine = fine;
    }
  }

  // ---- speed boards and signs ----

  void boards(Rows& r) {
    for (std::int64_t c = 0; c <= n_; ++c) {
      const cella& z = cells_[static_cast<std::size_t>(c)];
      if (z.genere != kSpeedBoards) continue;
      const BoardSpeeds a = board_speeds(z.dato1);
      const BoardSpeeds b = board_speeds(z.dato2);
      const BoardSpeeds k = board_speeds(z.dato3);
      // The speeds of set d are written only when there are any, as the
      // built-in line does.
      const auto d = [](int v) { return v == 0 ? std::string() : number(v); };
      add(r,
          std::string(keyword(Row::kIndicatoriVmax)) + ",  " + number(point_position(c)) + ",  " +
              number(a.set_s) + ",  " + number(b.set_s) + ",  " + number(k.set_s) + ",  " +
              number(stripes_s(z)) + ",  " + d(a.set_d) + ",  " + d(b.set_d) + ",  " + d(k.set_d) +
              ",  " + number(stripes_d(z)),
          cells(c, c), element_doubt(c));
    }
  }

  // A cell of a kind that no row makes, and elements in cell 1.
  std::string element_doubt(std::int64_t c) const {
    if (c == 1) return "an element in cell 1, where the compiler keeps its fixed values";
    return {};
  }

  void signs(Rows& r) {
    std::size_t next_end = 0;
    std::set<std::int64_t> used;
    for (std::size_t i = kLastSignItem + 1; i-- > lowest_sign_;) {
      std::string doubt;
      std::int64_t c = -1;
      const auto it = sign_cells_.find(i);
      if (it != sign_cells_.end()) {
        c = it->second.front();
        if (it->second.size() > 1)
          doubt = "more than one cell names item " + number(static_cast<std::int64_t>(i));
      } else {
        // Its cell was taken by a station's end mark; any such cell will do.
        while (next_end < station_end_cells_.size() && c < 0) {
          const std::int64_t e = station_end_cells_[next_end++];
          if (e >= 0 && e != 1 && !used.contains(e)) c = e;
        }
        if (c < 0) {
          doubt = "the sign of item " + number(static_cast<std::int64_t>(i)) +
                  " has no cell, and no station end could have taken it";
          c = 0;
        }
      }
      used.insert(c);
      std::string text_doubt;
      const std::string text = text_field(items_[i].testo, &text_doubt);
      if (doubt.empty()) doubt = text_doubt;
      if (doubt.empty()) doubt = element_doubt(c);
      RowOrigin o = cells(c, c);
      o.item = i;
      add(r,
          std::string(keyword(Row::kCartelloIndicatore)) + ",  " + number(point_position(c)) +
              ",   " + text,
          o, doubt);
    }
  }

  // ---- the train source ----

  void train_source(DecompiledSource& out) {
    Rows& r = out.rows;
    const oggetto& line = items_[kLineItem];
    const oggetto& train = items_[kTrainItem];
    add(r, std::string(header(Source::kTrain, kTrainGenerale)));
    add(r, generale_row(Row::kNumeroVetture, {line.valore_c}), item(kLineItem, {"valore_c"}));
    add(r, generale_row(Row::kPercentualeMassaFrenata, {line.valore_a}),
        item(kLineItem, {"valore_a"}));
    add(r, generale_row(Row::kSabbia, {train.parametro1}), item(kTrainItem, {"parametro1"}));
    // The clock's numbers separated by blanks alone, as the built-in train
    // writes them.
    add(r,
        std::string(keyword(Row::kOrologio)) + ",    " + number(train.parametro3) +
            pad(train.parametro4, 17) + pad(train.parametro5, 13) + " ",
        item(kTrainItem, {"parametro3", "parametro4", "parametro5"}));
    add(r, std::string(header(Source::kTrain, kAderenze)));
    adhesion(r);
    add(r, std::string(header(Source::kTrain, kVelLimite)));
    speeds(r);
    // Stations and signals in the order that leaves each approach code to
    // the row that wrote it last: the signals that must come before a
    // station stand among the stations.
    Rows stations_and_signals;
    std::vector<Writer> writers;
    stations(stations_and_signals, writers);
    const std::size_t station_count = stations_and_signals.size();
    signals(stations_and_signals, writers);
    const std::vector<std::size_t> order = approach_order(writers, station_count);
    std::size_t i = 0;
    add(r, std::string(header(Source::kTrain, kStazioni)));
    for (std::size_t placed = 0; i < order.size() && placed < station_count; ++i) {
      if (order[i] < station_count) ++placed;
      r.push_back(std::move(stations_and_signals[order[i]]));
    }
    add(r, std::string(header(Source::kTrain, kRallentamenti)));
    slowdowns(r);
    add(r, std::string(header(Source::kTrain, kSegnali)));
    for (; i < order.size(); ++i) r.push_back(std::move(stations_and_signals[order[i]]));
    add(r, std::string(header(Source::kTrain, kCodici)));
    abbattimento(r);
    add(r, std::string(header(Source::kTrain, kTrainFine)));
  }

  void adhesion(Rows& r) {
    const auto rs = runs([](const cella& c) { return int{c.aderenza}; });
    const std::string doubt = tail_doubt(&cella::aderenza);
    for (std::size_t i = 0; i < rs.size(); ++i) {
      add(r,
          std::string(keyword(Row::kAderenza)) + "," + pad(cell_start_position(rs[i].first), 8) +
              "," + pad(rs[i].second, 6),
          run_origin(rs, i), i + 1 == rs.size() ? doubt : std::string());
    }
  }

  void speeds(Rows& r) {
    // Of the speeds stored as the same fifth, the multiple of 5.
    const auto rs = runs([](const cella& c) { return speed_limit_kmh(c); });
    const std::string doubt = tail_doubt(&cella::velocita);
    for (std::size_t i = 0; i < rs.size(); ++i) {
      const std::int64_t c = rs[i].first;
      add(r,
          std::string(keyword(Row::kVelocita)) + "," +
              (c == 0 ? pad(0, 4) : pad(cell_start_position(c), 8)) + "," + pad(rs[i].second, 6),
          run_origin(rs, i), i + 1 == rs.size() ? doubt : std::string());
    }
  }

  // A row that writes approach codes: the cells and the codes.
  struct Writer {
    std::vector<std::pair<std::int64_t, Byte>> codes;
  };

  // The rows (stations first, in item order, then signals) in an order where
  // each cell's approach code is written last by a row that writes it: every
  // row that writes another code there comes before one that writes it.
  // Among the orders that do, the one nearest the given order; where none
  // does, the given order for what is left.
  std::vector<std::size_t> approach_order(const std::vector<Writer>& writers,
                                          std::size_t station_count) const {
    const std::size_t n = writers.size();
    std::vector<std::vector<std::size_t>> after(n);
    std::vector<std::size_t> before_count(n, 0);
    const auto edge = [&](std::size_t a, std::size_t b) {
      after[a].push_back(b);
      ++before_count[b];
    };
    for (std::size_t k = 1; k < station_count; ++k) edge(k - 1, k);
    std::map<std::int64_t, std::vector<std::pair<std::size_t, Byte>>> by_cell;
    for (std::size_t w = 0; w < n; ++w)
      for (const auto& [cell, code] : writers[w].codes) by_cell[cell].push_back({w, code});
    for (const auto& [cell, list] : by_cell) {
      if (list.size() < 2) continue;
      const Byte final_code = cells_[static_cast<std::size_t>(cell)].avviso;
      std::optional<std::size_t> winner;
      for (const auto& [w, code] : list)
        if (code == final_code) winner = w;
      if (!winner) continue;
      for (const auto& [w, code] : list)
        if (code != final_code && w != *winner) edge(w, *winner);
    }
    std::set<std::size_t> ready;
    for (std::size_t w = 0; w < n; ++w)
      if (before_count[w] == 0) ready.insert(w);
    std::vector<std::size_t> order;
    std::vector<bool> done(n, false);
    while (order.size() < n) {
      std::size_t w = 0;
      if (!ready.empty()) {
        w = *ready.begin();
        ready.erase(ready.begin());
      } else {
        // A cycle: the first row not yet placed.
        while (done[w]) ++w;
      }
      done[w] = true;
      order.push_back(w);
      for (const std::size_t b : after[w])
        if (--before_count[b] == 0 && !done[b]) ready.insert(b);
    }
    return order;
  }

  void stations(Rows& r, std::vector<Writer>& writers) {
    for (std::size_t k = kFirstStationItem; k <= stations_; ++k) {
      const oggetto& o = items_[k];
      const Long P = o.valore_c;
      std::string doubt;
      // The length L is not stored: the area gives it back.
      std::int64_t L = 0;
      std::int64_t f6 = o.marca3;
      std::int64_t end = 0;
      if (o.genere == 5 || o.genere == 6) {
        L = std::int64_t{P} - o.valore_a;
        end = std::int64_t{P} + 150;
        f6 = 0;
      } else if (o.genere == 7 || o.genere == 8) {
        L = std::int64_t{P} - o.valore_a;
        end = std::int64_t{P} + L;
        f6 = 0;
      } else {
        L = 2 * (std::int64_t{P} - o.valore_a);
        end = std::int64_t{P} + L / 2;
        // A non-zero field 6 lengthens the area by 50 m; the first station
        // has it cleared after its area is made.
        if (o.valore_b == end + 50) {
          end += 50;
          if (f6 == 0) f6 = 1;
        } else if (f6 != 0) {
          doubt = "marca3 is set but the area is not lengthened";
        }
      }
      if (end != o.valore_b && doubt.empty())
        doubt = "the station area " + number(o.valore_a) + " to " + number(o.valore_b) +
                " follows from no length";
      if (doubt.empty() && (P % kCellLength != 0 || L % kStationLengthUnit != 0))
        doubt = "the station's position or length is not one that the reader accepts";
      const Long t = o.valore_d;
      std::string name_doubt;
      const std::string name = text_field(o.testo, &name_doubt);
      if (doubt.empty()) doubt = name_doubt;
      std::string s(keyword(Row::kStazione));
      const std::int64_t fields[] = {P,
                                     o.genere,
                                     L,
                                     o.opzione,
                                     o.marca4,
                                     f6,
                                     o.parametro1,
                                     o.parametro2,
                                     o.marca1,
                                     o.parametro3,
                                     o.parametro4,
                                     o.parametro5,
                                     o.marca2,
                                     t / 3600,
                                     t % 3600 / 60,
                                     t % 60};
      constexpr std::size_t kWidths[] = {8, 3, 5, 3, 2, 2, 3, 1, 1, 3, 1, 1, 5, 4, 2, 2};
      for (std::size_t i = 0; i < std::size(fields); ++i) {
        s += ',';
        s += pad(fields[i], kWidths[i]);
      }
      s += ", ";
      s += name;
      // Its end mark and approach codes come with it.
      const std::int64_t end_cell = cell_of(Placement::kStationEnd, o.valore_b);
      RowOrigin origin = cells(std::max<std::int64_t>(end_cell - 4, 0), end_cell);
      origin.item = k;
      add(r, s, origin, doubt);
      // The approach codes 81 to 84 in the four cells before the end mark.
      Writer w;
      const double E = o.valore_b;
      if (o.genere < 25 && o.genere != 5 && o.genere != 6) {
        for (int k = 1; k <= 4; ++k) {
          if (E / 50.0 - k - 1 <= 1) continue;
          w.codes.push_back({arrotonda(E / 50.0 - k - 1), low8(80 + k)});
          station_codes_[w.codes.back().first] = w.codes.back().second;
        }
      }
      writers.push_back(std::move(w));
    }
  }

  void slowdowns(Rows& r) {
    std::set<std::int64_t> claimed;
    const auto genere = [&](std::int64_t c) {
      return c >= 0 && c <= n_ ? cells_[static_cast<std::size_t>(c)].genere : Byte{255};
    };
    const auto at = [&](std::int64_t c) -> const cella& {
      return cells_[static_cast<std::size_t>(c)];
    };
    for (std::int64_t s = 0; s <= n_; ++s) {
      if (genere(s) != kSlowdownStart) continue;
      const cella& start = at(s);
      // The end: a cell of the same values, the nearest after the start,
      // else before it; none when the two shared the start's cell.
      std::int64_t e = s;
      const auto matches = [&](std::int64_t c) {
        const cella& z = at(c);
        return z.genere == kSlowdownEnd && !claimed.contains(c) && z.dato1 == start.dato1 &&
               z.dato2 == start.dato2 && z.dato3 == start.dato3;
      };
      bool found = false;
      for (std::int64_t c = s + 1; c <= n_ && !found; ++c)
        if (matches(c)) e = c, found = true;
      for (std::int64_t c = s - 1; c >= 0 && !found; --c)
        if (matches(c)) e = c, found = true;
      if (found) claimed.insert(e);
      // The warning point stands 24 cells before the start when the
      // slowdown starts after 1500 m; a start in cell 31 may or may not have
      // one, by where in the cell it starts.
      Long x = point_position(s);
      const std::int64_t w = s - kWarningDistance / kCellLength;
      const bool warning = w >= 0 && genere(w) == kSlowdownWarning && at(w).dato1 == start.dato1;
      if (warning && x <= 1500) x = 1510;
      const bool f_ta =
          warning && x > 1500 && genere(w - 1) == kBeforeWarning && at(w - 1).dato1 == 1;
      std::int64_t d_v = start.dato2;
      // A d_v whose low 16 bits are 0 still marks the cells before the
      // warning point.
      if (d_v == 0 && f_ta && at(w - 1).dato2 == 1) d_v = 65536;
      const Long l = low32((e - s) * kCellLength);
      std::string doubt;
      if (x > 1500 && !warning) doubt = "the slowdown has no warning point where it should";
      if (doubt.empty()) doubt = element_doubt(s);
      add(r,
          std::string(keyword(Row::kRallentamento)) + ",   " + number(x) + ",  " +
              number(start.dato1) + ",  " + number(l) + ",  " + number(start.dato3) + ",  " +
              number(f_ta ? 1 : 0) + ",  " + number(d_v),
          cells(std::min(s, e) - (warning ? 28 : 0), std::max(s, e)), doubt);
    }
  }

  // The side sx x 3 + dx of the signal in cell c: of the usual sides that
  // fit its dato4, the one whose approach codes its four cells hold (the
  // most of them, when later rows wrote over some), else the one of dato4's
  // last digit. Returned as the value T with T = side (mod 256) and dato4 - T a
  // multiple of 10.
  std::int64_t signal_side(std::int64_t c, int by_dato4, Integer dato4) const {
    int best = by_dato4;
    int best_score = 0;
    // The sides an author writes (sx 0 to 3, dx 0 to 2), and no other:
    // codes that other rows wrote over this signal's match a large side by
    // chance more often than a signal has one. A signal whose codes were all
    // written over keeps the side of dato4's last digit.
    constexpr int kUsualSides = 12;
    for (int side = 0; side < kUsualSides; ++side) {
      if ((side - dato4) % 2 != 0) continue;
      int score = 0;
      for (int k = 1; k <= 4; ++k) {
        const std::int64_t p = c - 2 * k;
        const Byte code = low8(side * 10 + k);
        // A code that a station writes there tells nothing of the signal.
        const auto station = station_codes_.find(p);
        if (station != station_codes_.end() && station->second == code) continue;
        if (p >= 0 && cells_[static_cast<std::size_t>(p)].avviso == code) ++score;
      }
      if (score > best_score || (score == best_score && side == by_dato4)) {
        best = side;
        best_score = score;
      }
    }
    for (std::int64_t t = best; t < best + 1280; t += 256) {
      if ((std::int64_t{dato4} - t) % 10 == 0) return t;
    }
    return by_dato4;
  }

  void signals(Rows& r, std::vector<Writer>& writers) {
    for (std::int64_t c = 0; c <= n_; ++c) {
      const cella& z = cells_[static_cast<std::size_t>(c)];
      if (z.genere != kSignal) continue;
      SignalFields f = signal_fields(z);
      // dato4 = rapp x 10 + sx x 3 + dx, and the approach codes are
      // (sx x 3 + dx) x 10 + 1 to 4, in a byte: the codes tell the side
      // sx x 3 + dx where dato4 alone cannot (from 10 on).
      const std::int64_t side = signal_side(c, f.sx * 3 + f.dx, z.dato4);
      f.rapp = static_cast<int>((std::int64_t{z.dato4} - side) / 10);
      if (z.tempo_segnale != 0) {
        // A time is kept only when sx is 2: dx makes up the rest.
        f.sx = 2;
        f.dx = static_cast<int>(side - 6);
      } else if (side / 3 <= 255) {
        f.sx = static_cast<int>(side / 3);
        f.dx = static_cast<int>(side % 3);
      } else {
        f.sx = 0;
        f.dx = static_cast<int>(side);
      }
      // Times from 1 to 100 are stored as 101: a stored value there comes
      // from the same value plus 256.
      const int tempo =
          z.tempo_segnale >= 1 && z.tempo_segnale <= 100 ? z.tempo_segnale + 256 : z.tempo_segnale;
      const std::int64_t fields[] = {
          point_position(c), f.sx, f.s1, f.s2, f.s3, f.rapp, f.dx, f.d1, f.d2, f.d3};
      constexpr std::size_t kWidths[] = {8, 4, 2, 2, 3, 2, 5, 3, 1, 1};
      std::string s(keyword(Row::kSegnale));
      for (std::size_t i = 0; i < std::size(fields); ++i) {
        s += ',';
        s += pad(fields[i], kWidths[i]);
      }
      s += ", ";
      s += number(tempo);
      add(r, s, cells(std::max<std::int64_t>(c - 8, 0), c), element_doubt(c));
      Writer w;
      for (int k = 1; k <= 4; ++k)
        if (c - 2 * k >= 0) w.codes.push_back({c - 2 * k, low8(low8(side) * 10 + k)});
      writers.push_back(std::move(w));
    }
  }

  // Kind 13 and kind 12 with a value other than 180 are abbattimento points
  // as they stand. A kind-12 cell of 180 may be a mark of the
  // post-processing or a point of value 180: the pass is run on the route
  // without them, and those that it does not place again are points.
  void abbattimento(Rows& r) {
    std::vector<std::int64_t> candidates;
    for (std::int64_t c = 0; c <= n_; ++c) {
      const cella& z = cells_[static_cast<std::size_t>(c)];
      if (z.genere == kMark && z.dato1 == 180) candidates.push_back(c);
    }
    std::set<std::int64_t> points;
    std::string pass_doubt;
    if (!candidates.empty()) {
      RouteModel m;
      for (int round = 0; round <= static_cast<int>(candidates.size()); ++round) {
        m.percorso = cells_;
        for (const std::int64_t c : candidates) {
          if (points.contains(c)) continue;
          cella& z = m.percorso[static_cast<std::size_t>(c)];
          z.genere = kFree;
          z.dato1 = 0;
        }
        run_post_processing(m);
        bool added = false;
        for (const std::int64_t c : candidates) {
          const cella& z = m.percorso[static_cast<std::size_t>(c)];
          if (points.contains(c) || (z.genere == kMark && z.dato1 == 180)) continue;
          points.insert(c);
          added = true;
        }
        if (!added) break;
      }
      for (std::int64_t c = 0; c <= n_; ++c) {
        const cella& a = m.percorso[static_cast<std::size_t>(c)];
        const cella& b = cells_[static_cast<std::size_t>(c)];
        if (a.genere != b.genere || a.dato1 != b.dato1) {
          pass_doubt = "the marks of the post-processing do not come out as in cell " + number(c);
          break;
        }
      }
    }
    for (std::int64_t c = 0; c <= n_; ++c) {
      const cella& z = cells_[static_cast<std::size_t>(c)];
      std::int64_t value = 0;
      if (z.genere == kMarkWithoutValue) {
        value = 0;
      } else if (z.genere == kMark && (z.dato1 != 180 || points.contains(c))) {
        // A value above 0 is stored as its low 16 bits.
        value = z.dato1 > 0 ? z.dato1 : std::int64_t{z.dato1} + 65536;
      } else {
        continue;
      }
      std::string doubt = element_doubt(c);
      if (doubt.empty() && !pass_doubt.empty()) doubt = pass_doubt;
      add(r,
          std::string(keyword(Row::kAbbattimento)) + ",   " + number(cell_start_position(c)) +
              ",   " + number(value),
          cells(c, c), doubt);
    }
    if (!pass_doubt.empty() && (r.empty() || r.back().doubt.empty())) r.back().doubt = pass_doubt;
  }

  std::vector<cella> cells_;
  std::array<oggetto, kItemCount> items_;
  std::optional<std::string_view> track_plan_;
  std::int64_t n_ = 0;
  std::map<std::size_t, std::vector<std::int64_t>> sign_cells_;  // item -> the cells naming it
  std::vector<std::int64_t> station_end_cells_;
  bool track_plan_read_ = false;                // every value of the track plan was read
  std::map<std::int64_t, Byte> station_codes_;  // the approach codes of the stations, by cell
  std::size_t stations_ = 0;                    // the last station item
  std::size_t lowest_sign_ = 81;                // the lowest sign item
};

}  // namespace

std::string DecompiledSource::text() const {
  std::string s;
  for (const DecompiledRow& r : rows) {
    for (const std::string& c : r.comments) s += c + "\r\n";
    s += r.text;
    s += "\r\n";
  }
  return s;
}

std::string comment_line(std::string_view text) {
  std::string s = "-- ";
  for (const char c : text) {
    // A comma would end the comment's field, a line end its line.
    if (c == ',') {
      s += ';';
    } else if (c == '\r' || c == '\n') {
      s += ' ';
    } else {
      s += c;
    }
  }
  return s;
}

Decompiled decompile(const std::vector<cella>& percorso,
                     const std::array<oggetto, kItemCount>& oggetti,
                     std::optional<std::string_view> track_plan) {
  return Decompiler(percorso, oggetti, track_plan).run();
}

}  // namespace sb

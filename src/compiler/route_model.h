// The route model: the in-memory picture of one scenario (one line, one
// train) that the compiler fills from the two sources and writes, unchanged in
// layout, into the three compiled files.
//
// The widths of the fields are part of the behaviour: a value stored into an
// Integer or Byte field keeps only its low 16 or 8 bits. The types below make
// those widths visible, and the helpers low8/low16/low32 are the one place
// where a wider value is narrowed.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace sb {

using Byte = std::uint8_t;     // unsigned 8-bit
using Integer = std::int16_t;  // signed 16-bit
using Long = std::int32_t;     // signed 32-bit

// Narrowing that keeps the low bits (two's complement), never reports.
constexpr Byte low8(std::int64_t v) {
  return static_cast<Byte>(static_cast<std::uint64_t>(v));
}
constexpr Integer low16(std::int64_t v) {
  return static_cast<Integer>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(v)));
}
constexpr Long low32(std::int64_t v) {
  return static_cast<Long>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

// The nearest integer to v, halves going to the even neighbour (2.5 -> 2,
// 3.5 -> 4). Every conversion from a Double to a cell index or a stored
// integer uses it. Computed without the floating-point environment so that it
// gives the same result whatever rounding mode a host has set.
std::int64_t arrotonda(double v);

// The cell of a point element at position p: arrotonda(p / 50 + 1).
std::int64_t indice_cella(std::int64_t p);

// Cell kinds (`genere`) that the compiler writes. What each kind means to an
// author, where its row places it and how the plot shows it: cell_kinds.h.
enum CellKind : Byte {
  kFree = 0,
  kSignal = 1,
  kSlowdownEnd = 2,
  kSlowdownStart = 3,
  kSlowdownWarning = 4,
  kBeforeWarning = 5,
  kSpeedBoards = 6,
  kStationEnd = 10,
  kMountainMark = 11,
  kMark = 12,
  kMarkWithoutValue = 13,
  kSign = 14,
};

// The record schema: the fields of `cella` and `oggetto`, each once, in the
// order of their compiled records, with their types (and so their widths).
// The structs below, the serialisers and decoders of the compiled files, the
// dump and the plot's value tags are all made from these two lists, so that
// adding or moving a field is one edit here.
#define SB_CELLA_FIELDS(FIELD)                \
  FIELD(genere, Byte)                         \
  FIELD(dato1, Integer)                       \
  FIELD(dato2, Integer)                       \
  FIELD(dato3, Integer)                       \
  FIELD(dato4, Integer)                       \
  FIELD(tempo_segnale, Byte)                  \
  FIELD(avviso, Byte)                         \
  FIELD(montagna, Byte)                       \
  FIELD(velocita, Byte) /* speed limit / 5 */ \
  FIELD(pendenza, Byte) /* gradient + 100 */  \
  FIELD(aderenza, Byte)

// `testo` is a Text: in the item record its byte count (16 bits) comes first.
#define SB_OGGETTO_FIELDS(FIELD) \
  FIELD(genere, Byte)            \
  FIELD(valore_a, Long)          \
  FIELD(valore_b, Long)          \
  FIELD(valore_c, Long)          \
  FIELD(opzione, Byte)           \
  FIELD(testo, Text)             \
  FIELD(parametro1, Integer)     \
  FIELD(parametro2, Integer)     \
  FIELD(parametro3, Integer)     \
  FIELD(parametro4, Integer)     \
  FIELD(parametro5, Integer)     \
  FIELD(marca1, Byte)            \
  FIELD(marca2, Byte)            \
  FIELD(marca3, Byte)            \
  FIELD(marca4, Byte)            \
  FIELD(valore_d, Long)

using Text = std::string;  // 8-bit text in the Western (Windows-1252) code page

#define SB_DECLARE_FIELD(name, type) type name{};

// One route cell: 50 m of line.
struct cella {
  SB_CELLA_FIELDS(SB_DECLARE_FIELD)
  bool operator==(const cella&) const = default;
};

// A cell counts as free when it holds nothing or only a mountain mark.
inline bool cella_libera(const cella& c) {
  return c.genere == kFree || c.genere == kMountainMark;
}

// One item of the item table.
struct oggetto {
  SB_OGGETTO_FIELDS(SB_DECLARE_FIELD)
  bool operator==(const oggetto&) const = default;
};

#undef SB_DECLARE_FIELD

// Calls f(name, field) for every field of a cell or an item (const or not), in
// the order of the record. `name` is the field's name as a string_view.
#define SB_VISIT_FIELD(name, type) f(std::string_view(#name), r.name);
template <typename Record, typename F>
requires std::is_same_v<std::remove_const_t<Record>, cella>
constexpr void visit_fields(Record& r, F&& f) {
  SB_CELLA_FIELDS(SB_VISIT_FIELD)
}
template <typename Record, typename F>
requires std::is_same_v<std::remove_const_t<Record>, oggetto>
constexpr void visit_fields(Record& r, F&& f) {
  SB_OGGETTO_FIELDS(SB_VISIT_FIELD)
}
#undef SB_VISIT_FIELD

#define SB_COUNT_FIELD(name, type) +1
inline constexpr int kCellaFieldCount = 0 SB_CELLA_FIELDS(SB_COUNT_FIELD);
inline constexpr int kOggettoFieldCount = 0 SB_OGGETTO_FIELDS(SB_COUNT_FIELD);
#undef SB_COUNT_FIELD

inline constexpr int kItemCount = 87;         // items 0 to 86
inline constexpr int kMaxMountainSpans = 80;  // mountain lists use indices 1 to 80
inline constexpr Long kMaxLineLength = 1000000;
inline constexpr Long kRunOut = 7000;  // run-out beyond the end of the line, metres
inline constexpr Long kCellLength = 50;

// The type tag of a track plan element; the values are the tags of the
// compiled track plan file.
enum class TrackValueType : std::uint16_t { kEmpty = 0, kInteger = 2, kDouble = 5 };

struct TrackValue {
  TrackValueType type = TrackValueType::kEmpty;
  double value = 0;  // a 16-bit integer is held exactly

  bool operator==(const TrackValue&) const = default;
};

// The track plan: one (x, y) point per metre, 0 to lunghezza_estesa. Each
// coordinate is a tagged value: empty, a 16-bit integer or a Double; the two
// coordinates of a point have the same type.
//
// A line of 1000 km has a million points but few facts: the first two points
// are set and every later one is a step from the two before it, on straight
// track or in a curve. The plan keeps those facts, as runs of points in
// ascending order of metre, and computes the coordinates whenever they are
// read, with the same operations in the same order, so that they come out
// bit-identical. Its memory grows with the number of curves, not with the
// length of the line, and its file can be written without ever holding the
// points.
//
// Points are given in ascending order of metre, each at most once, within 0
// to the last metre; anything else throws std::logic_error. A point never
// given is empty.
class TrackPlan {
 public:
  bool allocated() const { return last_ >= 0; }
  void allocate(Long last_metre);  // points 0 to last_metre, all empty
  Long last_metre() const { return last_; }

  void set_integer(Long m, Integer x, Integer y);
  void set_double(Long m, double x, double y);
  // Points m to `to` (from 2 on), each a step from the two points before it:
  // on straight track, x(m) = x(m-1) + dx, y(m) = y(m-1) + dy; in a curve of
  // curvature k, x(m) = x(m-1) + (dx + k*dy), y(m) = y(m-1) + (dy - k*dx);
  // dx and dy being x(m-1) - x(m-2) and y(m-1) - y(m-2).
  void add_straight(Long m, Long to);
  void add_curve(Long m, Long to, double k);

  // The number of points of one type, without computing them.
  Long count(TrackValueType type) const;

  // Calls f(x, y) for every point from 0 to `to` (at most the last), in order.
  template <typename F>
  void for_each_point_to(Long to, F&& f) const;
  template <typename F>
  void for_each_point(F&& f) const {
    for_each_point_to(last_, f);
  }

  class Cursor;

 private:
  // A run of points: one point given with its values, or steps.
  struct Run {
    enum class Kind : std::uint8_t { kInteger, kDouble, kStraight, kCurve };
    Long first;
    Long last;
    Kind kind;
    double a;  // x of a given point; the curvature of a curve
    double b;  // y of a given point
  };

  // Where a reading stands: point `metre` and the point before it.
  struct Position {
    Long metre = -1;
    std::size_t run = 0;  // the first run that does not end before `metre`
    TrackValueType type = TrackValueType::kEmpty;
    double x = 0, y = 0;                // point metre
    double x_before = 0, y_before = 0;  // point metre - 1

    void step_to(TrackValueType t, double nx, double ny) {
      ++metre;
      x_before = x;
      y_before = y;
      type = t;
      x = nx;
      y = ny;
    }
  };

  // The steps of a run up to point `end`, on straight track or in a curve of
  // curvature k, calling f(x, y) for each point.
  template <bool kInCurve, typename F>
  static void steps(Position& s, Long end, double k, F& f);

  // Points m to `to`, a run of its own or the continuation of the last one.
  void add(Long m, Long to, Run::Kind kind, double a, double b);
  // Computes the points after s.metre up to `to`, calling f(x, y) for each.
  template <typename F>
  void advance(Position& s, Long to, F&& f) const;

  Long last_ = -1;
  std::vector<Run> runs_;
};

// Reads the points in order, a stretch at a time.
class TrackPlan::Cursor {
 public:
  explicit Cursor(const TrackPlan& t) : t_(t) {}
  // The point read last; -1 before point 0.
  Long metre() const { return s_.metre; }
  // Reads the points after metre() up to `m` (at most the last metre),
  // calling f(x, y) for each.
  template <typename F>
  void read_to(Long m, F&& f) {
    t_.advance(s_, std::min(m, t_.last_), f);
  }

 private:
  const TrackPlan& t_;
  Position s_;
};

template <typename F>
void TrackPlan::for_each_point_to(Long to, F&& f) const {
  Cursor(*this).read_to(to, f);
}

template <typename F>
void TrackPlan::advance(Position& position, Long to, F&& f) const {
  // Works on a copy, which nothing that f writes can alias.
  Position s = position;
  const auto point = [&] { f(TrackValue{s.type, s.x}, TrackValue{s.type, s.y}); };
  while (s.metre < to) {
    const Long m = s.metre + 1;
    while (s.run < runs_.size() && runs_[s.run].last < m) ++s.run;
    if (s.run == runs_.size() || runs_[s.run].first > m) {
      // Empty points up to the next run.
      const Long end = s.run == runs_.size() ? to : std::min(to, runs_[s.run].first - 1);
      while (s.metre < end) {
        s.step_to(TrackValueType::kEmpty, 0, 0);
        point();
      }
      continue;
    }
    const Run r = runs_[s.run];
    const Long end = std::min(to, r.last);
    switch (r.kind) {
      case Run::Kind::kInteger:
        s.step_to(TrackValueType::kInteger, r.a, r.b);
        point();
        break;
      case Run::Kind::kDouble:
        s.step_to(TrackValueType::kDouble, r.a, r.b);
        point();
        break;
      case Run::Kind::kStraight:
        steps<false>(s, end, 0, f);
        break;
      case Run::Kind::kCurve:
        steps<true>(s, end, r.a, f);
        break;
    }
  }
  position = s;
}

template <bool kInCurve, typename F>
void TrackPlan::steps(Position& s, Long end, double k, F& f) {
  if (s.metre >= end) return;
  // The two last points are kept in locals, which stay in registers: the
  // points are a chain of dependent operations, which a trip through memory
  // at every step would lengthen.
  double x = s.x, y = s.y, x_before = s.x_before, y_before = s.y_before;
  for (Long m = s.metre; m < end; ++m) {
    // The track plan rule, with dx and dy taken from the two points before,
    // in exactly this order of operations.
    const double dx = x - x_before;
    const double dy = y - y_before;
    x_before = x;
    y_before = y;
    if constexpr (kInCurve) {
      const double kdy = k * dy;
      const double kdx = k * dx;
      x = x + (dx + kdy);
      y = y + (dy - kdx);
    } else {
      x = x + dx;
      y = y + dy;
    }
    f(TrackValue{TrackValueType::kDouble, x}, TrackValue{TrackValueType::kDouble, y});
  }
  s.metre = end;
  s.type = TrackValueType::kDouble;
  s.x = x;
  s.y = y;
  s.x_before = x_before;
  s.y_before = y_before;
}

// The whole compiler state for one compilation.
struct RouteModel {
  TrackPlan tracciato;
  std::vector<cella> percorso;  // cells 0 to n; empty until the line length is read
  std::array<oggetto, kItemCount> oggetti{};
  std::array<Long, kMaxMountainSpans + 1> montagne_inizio{};
  std::array<Long, kMaxMountainSpans + 1> montagne_fine{};
  Long n_montagne = 0;
  Long scrivi_linea = 0;
  std::string treno;
  std::string scenario;
  Long lunghezza_estesa = 0;
  Long codice_errore = 0;
  Long progressiva_errore = 0;

  bool has_cells() const { return !percorso.empty(); }
  // The upper index n of `percorso` (only meaningful when has_cells()).
  Long last_cell() const { return static_cast<Long>(percorso.size()) - 1; }
  bool cell_exists(std::int64_t c) const {
    return c >= 0 && c < static_cast<std::int64_t>(percorso.size());
  }

  // The cell count rule for a line of `lunghezza` metres (0 to 1000000):
  // lunghezza_estesa = lunghezza + 7000, cells 0 to arrotonda(lunghezza_estesa / 50),
  // all zero; the track plan too when scrivi_linea is non-zero.
  void create_cells(Long lunghezza);
};

// The number of the last cell for a line of `lunghezza` metres.
Long last_cell_for_length(Long lunghezza);

}  // namespace sb

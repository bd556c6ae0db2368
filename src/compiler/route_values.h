// What the fields of the compiled records mean in an author's units: the
// decoding of a cell's speed, gradient, signal and boards, the roles of the
// items 81 to 86, kilometres and clock times. The dump, the diff, the plot and
// the viewer all decode through here, so that each rule is written once,
// beside the record schema it reads.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/route_model.h"

namespace sb {

// ---- The roles of the items ----

// Stations fill the items from 1 upward; the sign texts come down from 80.
inline constexpr std::size_t kFirstStationItem = 1;
inline constexpr std::size_t kLastSignItem = 80;
// The three kilometric references A, B and C (valore_a, valore_b, valore_c).
inline constexpr std::size_t kReferenceItemA = 81;
inline constexpr std::size_t kReferenceItemC = 83;
// valore_a braked-mass percentage, valore_b line length, valore_c coaches.
inline constexpr std::size_t kLineItem = 84;
// The backgrounds, the scenario identifier, 610 and the item file's check code.
inline constexpr std::size_t kScenarioItem = 85;
// Signal repetition, the train number, sand and the clock.
inline constexpr std::size_t kTrainItem = 86;

// ---- Cells ----

// The speed limit in force at the start of a cell, km/h: velocita x 5.
inline int speed_limit_kmh(const cella& c) {
  return int{c.velocita} * 5;
}
// The gradient at the start of a cell, per mille: pendenza - 100.
inline int gradient_per_mille(const cella& c) {
  return int{c.pendenza} - 100;
}

// The fields of a `segnale` row, read back from its cell (kind 1):
// dato1..3 = s1..3 x 10 + d1..3, dato4 = rapp x 10 + sx x 3 + dx.
struct SignalFields {
  int sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo;
};
SignalFields signal_fields(const cella& c);

// The speeds of a pair of boards (kind 6) for one category: dato = round(vs x 20 + vd / 5).
struct BoardSpeeds {
  int set_s;  // km/h
  int set_d;  // km/h, to the nearest 5
};
BoardSpeeds board_speeds(Integer dato);
// dato4 of boards: strisces x 10 + strisced.
inline int stripes_s(const cella& c) {
  return c.dato4 / 10;
}
inline int stripes_d(const cella& c) {
  return c.dato4 % 10;
}

// A slowdown as its start and end cells (kinds 3 and 2) hold it: the speed
// `v` (dato1, km/h) in force from the start cell's metre to the end cell's.
struct Slowdown {
  std::size_t start_cell = 0;
  std::size_t end_cell = 0;  // the start cell itself when the two coincide
  double start = 0;          // metres
  double end = 0;
  int speed_kmh = 0;
};
// The slowdowns of a route, in the order of their start cells. A start is
// paired with the first end cell after it, unless another start comes
// first: then its end fell on its own cell (a stretch shorter than a cell)
// and the slowdown covers that cell only. An end with no start before it
// is passed over.
std::vector<Slowdown> slowdowns_of(const std::vector<cella>& percorso);

// The lines of a sign's text: the groups in parentheses ("(P.L.      )
// (AUTOMATICO)" gives "P.L." and "AUTOMATICO"), each without its padding
// spaces; a text written without parentheses, or what stands outside them,
// is one line as it is. Empty lines are left out.
std::vector<std::string> sign_text_lines(std::string_view testo);

// The item that a sign (kind 14) or a station end mark (kind 10) names in
// dato1; empty when dato1 is not an item number.
std::optional<std::size_t> named_item(const cella& c);

// The fastest run the speed limits allow from metre `from` to metre `to`, in
// seconds: every cell crossed at its own limit, with no acceleration or
// braking, so a lower bound of any real run. Empty when a cell on the way
// has no speed limit (0) or the stretch leaves the route.
std::optional<double> fastest_run_seconds(const std::vector<cella>& percorso, double from,
                                          double to);

// ---- Positions and times ----

// "12+350": kilometres and metres, as the line's kilometre posts read;
// "-0+050" before the start. Fractions of a metre are rounded.
std::string kilometre_text(double metres);

// "07:35:00" for a time in seconds from midnight; days beyond the first
// add to the hours ("25:10:00"), a negative time has a sign.
std::string clock_text(std::int64_t seconds);

// ---- Stations ----

// A station of the item table: an item from 1 to 80 with a kind and a name.
struct Station {
  std::size_t item = 0;
  std::string name;   // the bytes of the source, without padding spaces
  Long position = 0;  // valore_c, metres
  Long time = 0;      // valore_d, seconds from midnight
};
std::vector<Station> stations_of(const std::array<oggetto, kItemCount>& oggetti);

}  // namespace sb

// The timetable against the line, for the time-distance graphs of `plot` and
// `view`: the timed stations as the timetable gives them, and for each
// stretch between two of them the fastest run the speed limits allow, started
// at the scheduled departure. That run crosses every cell at its own limit
// with no acceleration or braking, so it is a lower bound of any real run;
// where the timetable lies below it, the train cannot keep time (the check
// warns of the same stretches, by the same rule).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "compiler/route_model.h"

namespace sb {

// A point of the graph: where along the line, and when.
struct TimePoint {
  double metre = 0;
  double seconds = 0;  // from midnight
};

// A station with a time in the timetable (valore_d not 0).
struct TimetableStop {
  std::string name;  // the bytes of the source, without padding spaces
  double metre = 0;
  double seconds = 0;
};

// The stretch from stop `from` to stop `from + 1`.
struct TimetableStretch {
  std::size_t from = 0;
  double scheduled = 0;  // seconds the timetable gives
  // The lower bound and its run, from (departure metre, departure time) to
  // the next stop, one point where each speed limit ends. Empty when a cell
  // on the way has no limit or the stretch leaves the route.
  std::optional<double> fastest{};
  std::vector<TimePoint> fastest_run{};
  bool too_fast() const { return fastest && scheduled < *fastest; }
};

struct TimetableGraph {
  std::vector<TimetableStop> stops;  // in the order of the timetable
  // One per pair of consecutive stops that runs forward in both time and
  // position; a timetable that runs backwards has its own warning.
  std::vector<TimetableStretch> stretches;
};

TimetableGraph timetable_graph(const std::vector<cella>& percorso,
                               const std::array<oggetto, kItemCount>& oggetti);

}  // namespace sb

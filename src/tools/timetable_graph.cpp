#include "tools/timetable_graph.h"

#include <algorithm>

#include "compiler/route_values.h"

namespace sb {

namespace {

// The run at the speed limits from `from` to `to` metres, leaving at
// `departure`: a point at the start, one where each limit gives way to
// another, and one at the end.
std::vector<TimePoint> run_at_limits(const std::vector<cella>& percorso, double from, double to,
                                     double departure) {
  std::vector<TimePoint> run{{from, departure}};
  double seconds = departure;
  const auto first = static_cast<std::size_t>(from / static_cast<double>(kCellLength));
  for (std::size_t c = first; c < percorso.size(); ++c) {
    const double start = static_cast<double>(c) * static_cast<double>(kCellLength);
    if (start >= to) break;
    const double end = std::min(to, start + static_cast<double>(kCellLength));
    const double metres = end - std::max(from, start);
    if (metres <= 0) continue;
    seconds += metres * 3.6 / speed_limit_kmh(percorso[c]);
    const bool limit_changes =
        c + 1 >= percorso.size() || percorso[c + 1].velocita != percorso[c].velocita;
    if (limit_changes || end >= to) run.push_back({end, seconds});
  }
  return run;
}

}  // namespace

TimetableGraph timetable_graph(const std::vector<cella>& percorso,
                               const std::array<oggetto, kItemCount>& oggetti) {
  TimetableGraph g;
  for (const Station& s : stations_of(oggetti))
    if (s.time != 0)
      g.stops.push_back({s.name, static_cast<double>(s.position), static_cast<double>(s.time)});
  for (std::size_t i = 0; i + 1 < g.stops.size(); ++i) {
    const TimetableStop& a = g.stops[i];
    const TimetableStop& b = g.stops[i + 1];
    if (b.seconds < a.seconds || b.metre <= a.metre) continue;
    TimetableStretch s;
    s.from = i;
    s.scheduled = b.seconds - a.seconds;
    s.fastest = fastest_run_seconds(percorso, a.metre, b.metre);
    if (s.fastest) s.fastest_run = run_at_limits(percorso, a.metre, b.metre, a.seconds);
    g.stretches.push_back(std::move(s));
  }
  return g;
}

}  // namespace sb

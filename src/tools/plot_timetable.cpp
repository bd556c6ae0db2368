// The time-distance graph: kilometres along the same x axis as the profile,
// the time of day downwards. It shows the timetable's stations, the
// scheduled run between them and, beside it, the fastest run the speed
// limits allow from each departure; a stretch where the timetable asks for
// less time than that run needs is shaded and named.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "compiler/route_values.h"
#include "tools/plot_page.h"
#include "tools/timetable_graph.h"

namespace sb::plot {

namespace {

constexpr double kGraphHeight = 380;
constexpr const char* kScheduledColour = "#1f3b73";
constexpr const char* kFastestColour = "#2ca02c";
constexpr const char* kTooFastColour = "#d62728";

// "2:21" for 141 s, "1:02:03" beyond the hour: a running time.
std::string duration_text(double seconds) {
  const auto s = static_cast<long long>(std::ceil(std::max(0.0, seconds) - 1e-9));
  const auto two = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  if (s >= 3600) return std::to_string(s / 3600) + ":" + two(s / 60 % 60) + ":" + two(s % 60);
  return std::to_string(s / 60) + ":" + two(s % 60);
}

// The pieces of a polyline that lie over the metres [from, to], cut where
// it crosses either end.
std::vector<std::vector<TimePoint>> clipped(const std::vector<TimePoint>& line, double from,
                                            double to) {
  std::vector<std::vector<TimePoint>> pieces;
  const auto inside = [&](const TimePoint& p) { return p.metre >= from && p.metre <= to; };
  const auto cut = [](const TimePoint& a, const TimePoint& b, double m) {
    const double f = (m - a.metre) / (b.metre - a.metre);
    return TimePoint{m, a.seconds + f * (b.seconds - a.seconds)};
  };
  for (std::size_t i = 0; i < line.size(); ++i) {
    const TimePoint& p = line[i];
    if (i == 0) {
      if (inside(p)) pieces.push_back({p});
      continue;
    }
    const TimePoint& q = line[i - 1];
    if (inside(q) && inside(p)) {
      if (pieces.empty()) pieces.push_back({q});
      pieces.back().push_back(p);
      continue;
    }
    // A segment with an end outside: its part within the stretch, if any.
    if (q.metre == p.metre) {
      if (inside(p)) pieces.push_back({p});
      continue;
    }
    double lo = std::min(q.metre, p.metre), hi = std::max(q.metre, p.metre);
    lo = std::max(lo, from);
    hi = std::min(hi, to);
    if (lo > hi) continue;
    const bool forward = p.metre > q.metre;
    const TimePoint a = cut(q, p, forward ? lo : hi);
    const TimePoint b = cut(q, p, forward ? hi : lo);
    if (inside(q)) {
      if (pieces.empty()) pieces.push_back({q});
      pieces.back().push_back(b);
    } else {
      pieces.push_back({a, b});
      if (inside(p)) pieces.back().back() = p;
    }
  }
  return pieces;
}

// A step of the clock grid: round minutes or hours, about `parts` of them.
double clock_step(double span, double parts) {
  constexpr std::array<double, 12> steps = {60,   120,  300,   600,   900,   1800,
                                            3600, 7200, 10800, 21600, 43200, 86400};
  for (const double s : steps) {
    if (span / s <= parts) return s;
  }
  return round_step(span, parts);
}

double draw_note(svg::Element& page, const PlotContext& k, double top, std::string_view note) {
  add_section_heading(k, page, top + 16,
                      "Time\xE2\x80\x93"
                      "distance graph");
  k.labels.add(page, kLeft, top + 40, note, {.size = 13, .fill = "#666", .italic = true});
  return 60;
}

}  // namespace

double draw_timetable_graph(svg::Element& page, const PlotContext& k, double top) {
  const TimetableGraph g = timetable_graph(k.data.percorso, k.data.oggetti);
  if (g.stops.empty()) {
    return draw_note(page, k, top,
                     "The timetable gives no station a time: there is no time\xE2\x80\x93"
                     "distance graph.");
  }
  Labels& labels = k.labels;

  // What is drawn, cut to the stretch of the x axis.
  std::vector<TimePoint> scheduled;
  for (const TimetableStop& s : g.stops) scheduled.push_back({s.metre, s.seconds});
  const auto scheduled_pieces = clipped(scheduled, k.axis_start, k.axis_end);
  std::vector<std::vector<std::vector<TimePoint>>> fastest_pieces;
  for (const TimetableStretch& s : g.stretches) {
    fastest_pieces.push_back(clipped(s.fastest_run, k.axis_start, k.axis_end));
  }
  double t0 = std::numeric_limits<double>::infinity(), t1 = -t0;
  const auto cover = [&](const std::vector<std::vector<TimePoint>>& pieces) {
    for (const auto& piece : pieces) {
      for (const TimePoint& p : piece) {
        t0 = std::min(t0, p.seconds);
        t1 = std::max(t1, p.seconds);
      }
    }
  };
  cover(scheduled_pieces);
  for (const auto& pieces : fastest_pieces) cover(pieces);
  if (!(t0 <= t1)) {
    return draw_note(page, k, top, "The timetable's run does not pass the stretch drawn.");
  }
  // A little room above and below, and a span of at least ten minutes.
  const double span = std::max(600.0, t1 - t0);
  const double step = clock_step(span, 9);
  const double y0 = std::floor((t0 - span * 0.04) / step) * step;
  const double y1 = std::ceil((t1 + span * 0.04) / step) * step;

  add_section_heading(k, page, top + 16,
                      "Time\xE2\x80\x93"
                      "distance graph");
  labels.add(page, kRight, top + 16,
             "the fastest run crosses every cell at its speed limit, with no acceleration or "
             "braking: a lower bound of any real run",
             {.size = 12, .fill = "#555", .anchor = TextAnchor::kEnd});
  const double frame_top = top + 30;
  const double frame_bottom = frame_top + kGraphHeight;
  const Box frame{kLeft, frame_top, kRight, frame_bottom};
  const auto x = [&](double metres) { return k.profile_x(metres); };
  const auto y = [&](double seconds) {
    return frame_top + (seconds - y0) / (y1 - y0) * kGraphHeight;
  };
  add_graph_frame(page, labels, frame);

  // The stretches the timetable runs faster than the limits allow, shaded
  // across the graph.
  for (const TimetableStretch& s : g.stretches) {
    if (!s.too_fast()) continue;
    const double a = std::max(g.stops[s.from].metre, k.axis_start);
    const double b = std::min(g.stops[s.from + 1].metre, k.axis_end);
    if (!(a < b)) continue;
    page.add(graph_band(x(a), x(b), frame_top, kGraphHeight, kTooFastColour, "0.12"));
  }

  // The clock grid, the kilometre grid and the stations' verticals.
  for (double t = y0; t <= y1 + step / 2; t += step) {
    page.add(svg::Element("path")
                 .set_path(svg::Path().move_to(kLeft, y(t)).horizontal_to(kRight))
                 .set("stroke", "#e4e4e4")
                 .set("stroke-width", 1));
    const std::string clock = clock_text(static_cast<std::int64_t>(std::llround(t)));
    labels.add(page, kLeft - 8, y(t) + 4, clock.substr(0, clock.size() - 3),
               {.size = 12, .fill = "#333", .anchor = TextAnchor::kEnd});
  }
  const double km_step = k.km_step * 1000;
  for (double m = std::ceil(k.axis_start / km_step - 1e-9) * km_step; m <= k.axis_end + 1e-6;
       m += km_step) {
    page.add(svg::Element("path")
                 .set_path(svg::Path().move_to(x(m), frame_top).vertical_to(frame_bottom + 6))
                 .set("stroke", "#ececec")
                 .set("stroke-width", 1));
    labels.add(page, x(m), frame_bottom + 20, fixed_decimals(m / 1000, step_decimals(k.km_step)),
               {.size = 12, .fill = "#333", .anchor = TextAnchor::kMiddle});
  }
  for (const TimetableStop& s : g.stops) {
    if (!k.shown(s.metre)) continue;
    page.add(svg::Element("path")
                 .set_path(svg::Path().move_to(x(s.metre), frame_top).vertical_to(frame_bottom))
                 .set("stroke", "#bbb")
                 .set("stroke-width", 1)
                 .set("stroke-dasharray", "2 3"));
  }
  const double middle = (frame_top + frame_bottom) / 2;
  const Spot clock_title{kLeft - 70, middle, TextAnchor::kMiddle, -90};
  labels.add(page, std::span<const Spot>(&clock_title, 1), "Time of day",
             {.size = 14, .fill = "#222", .anchor = TextAnchor::kMiddle, .bold = true});

  // The fastest runs, then the scheduled run over them, red where too fast.
  const auto through = [&](const auto& piece) {
    svg::Path path;
    for (std::size_t j = 0; j < piece.size(); ++j) {
      if (j == 0) {
        path.move_to(x(piece[j].metre), y(piece[j].seconds));
      } else {
        path.line_to(x(piece[j].metre), y(piece[j].seconds));
      }
    }
    return path;
  };
  for (std::size_t i = 0; i < g.stretches.size(); ++i) {
    for (const auto& piece : fastest_pieces[i]) {
      page.add(svg::Element("path")
                   .set_path(through(piece))
                   .set("fill", "none")
                   .set("stroke", kFastestColour)
                   .set("stroke-width", 1.6)
                   .set("stroke-dasharray", "5 3"));
    }
  }
  for (const auto& piece : scheduled_pieces) {
    page.add(svg::Element("path")
                 .set_path(through(piece))
                 .set("fill", "none")
                 .set("stroke", kScheduledColour)
                 .set("stroke-width", 2));
  }
  std::vector<std::array<Spot, 2>> warning_spots;
  std::vector<std::string> warnings;
  std::vector<std::string> warning_tooltips;
  for (const TimetableStretch& s : g.stretches) {
    if (!s.too_fast()) continue;
    const TimetableStop& a = g.stops[s.from];
    const TimetableStop& b = g.stops[s.from + 1];
    const std::string tooltip = readable_text(a.name) + " \xE2\x86\x92 " + readable_text(b.name) +
                                ": the timetable gives " + duration_text(s.scheduled) +
                                ", the speed limits need at least " + duration_text(*s.fastest);
    for (const auto& piece :
         clipped({{a.metre, a.seconds}, {b.metre, b.seconds}}, k.axis_start, k.axis_end)) {
      if (piece.size() < 2) continue;
      page.add(svg::Element("path")
                   .set_path(svg::Path()
                                 .move_to(x(piece.front().metre), y(piece.front().seconds))
                                 .line_to(x(piece.back().metre), y(piece.back().seconds)))
                   .set("stroke", kTooFastColour)
                   .set("stroke-width", 3.5)
                   .title(tooltip));
      const double mx = (x(piece.front().metre) + x(piece.back().metre)) / 2;
      const double my = (y(piece.front().seconds) + y(piece.back().seconds)) / 2;
      warning_spots.push_back(
          {Spot{mx + 6, my - 8, TextAnchor::kStart}, Spot{mx - 6, my + 16, TextAnchor::kEnd}});
      warnings.push_back(duration_text(s.scheduled) + " given, " + duration_text(*s.fastest) +
                         " needed");
      warning_tooltips.push_back(tooltip);
    }
  }

  // The stops, their dots reserved before any label, then their names and
  // times, then the warnings.
  std::vector<std::size_t> shown;
  for (std::size_t i = 0; i < g.stops.size(); ++i) {
    const TimetableStop& s = g.stops[i];
    if (!k.shown(s.metre)) continue;
    shown.push_back(i);
    const std::string clock = clock_text(static_cast<std::int64_t>(std::llround(s.seconds)));
    page.add(svg::Element("circle")
                 .set("cx", x(s.metre))
                 .set("cy", y(s.seconds))
                 .set("r", 3.5)
                 .set("fill", "#fff")
                 .set("stroke", kScheduledColour)
                 .set("stroke-width", 2)
                 .title(readable_text(s.name) + " (" + km_text(s.metre) + "), " + clock));
    labels.reserve({x(s.metre) - 4.5, y(s.seconds) - 4.5, x(s.metre) + 4.5, y(s.seconds) + 4.5});
  }
  labels.keep_within(frame);
  for (std::size_t i = 0; i < warnings.size(); ++i) {
    labels.add(page, warning_spots[i], warnings[i],
               {.size = 11, .fill = kTooFastColour, .bold = true}, LabelLook::kHalo,
               warning_tooltips[i]);
  }
  for (const std::size_t i : shown) {
    const TimetableStop& s = g.stops[i];
    const std::string clock = clock_text(static_cast<std::int64_t>(std::llround(s.seconds)));
    const std::string text = readable_text(s.name) + " " + clock.substr(0, clock.size() - 3);
    const double px = x(s.metre), py = y(s.seconds);
    const std::array spots{
        Spot{px - 7, py - 5, TextAnchor::kEnd}, Spot{px + 7, py + 13, TextAnchor::kStart},
        Spot{px - 7, py + 13, TextAnchor::kEnd}, Spot{px + 7, py - 5, TextAnchor::kStart}};
    labels.add(page, spots, text, {.size = 11, .fill = "#222"}, LabelLook::kHalo);
  }
  labels.keep_within(std::nullopt);

  // The key to the three lines, under the kilometres.
  const double key_y = frame_bottom + 44;
  const struct {
    const char* colour;
    double width;
    const char* dashes;
    const char* text;
  } keys[] = {
      {kScheduledColour, 2, nullptr, "Scheduled run (timetable)"},
      {kFastestColour, 1.6, "5 3", "Fastest run at the speed limits (a lower bound)"},
      {kTooFastColour, 3.5, nullptr, "Stretch the timetable runs faster than the limits allow"},
  };
  double key_x = kLeft + 16;
  for (const auto& key : keys) {
    svg::Element sample("path");
    sample.set_path(svg::Path().move_to(key_x - 14, key_y - 4).horizontal_to(key_x + 14))
        .set("stroke", key.colour)
        .set("stroke-width", key.width);
    if (key.dashes != nullptr) sample.set("stroke-dasharray", key.dashes);
    page.add(sample);
    labels.add(page, key_x + 24, key_y, key.text, {.size = 13, .fill = "#222"});
    key_x += 24 + estimated_text_width(key.text, 13) + 48;
  }
  return key_y + 30 - top;
}

}  // namespace sb::plot

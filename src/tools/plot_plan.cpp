// The plan of the line, drawn from the track plan in its own coordinates
// with +y up (the line starts at the origin heading along +y), one scale for
// both axes, fitted into the width of the page and a limited height.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "tools/label_placement.h"
#include "tools/plot_page.h"

namespace sb::plot {

namespace {

constexpr double kPlanMaxHeight = 640;
constexpr double kPlanMargin = 40;  // inside the frame, around the line

// The note shown in place of the plan when there is none to draw.
double draw_plan_note(svg::Element& page, const PlotContext& k, double top, std::string_view note) {
  add_section_heading(k, page, top + 16, "Plan of the line");
  const Box frame{kLeft, top + 26, kRight, top + 86};
  page.add(svg::Element("rect")
               .set("x", frame.x0)
               .set("y", frame.y0)
               .set("width", frame.x1 - frame.x0)
               .set("height", frame.y1 - frame.y0)
               .set("fill", "#f6f6f6")
               .set("stroke", "#bbb"));
  reserve_frame_edges(k.labels, frame);
  k.labels.add(page, (kLeft + kRight) / 2, top + 61, note,
               {.size = 15, .fill = "#666", .anchor = TextAnchor::kMiddle, .italic = true});
  return 26 + 60 + 24;
}

}  // namespace

double draw_plan(svg::Element& page, const PlotContext& k, double top) {
  if (!k.data.plan) return draw_plan_note(page, k, top, k.data.plan_note);
  const LinePlan& p = *k.data.plan;
  const std::size_t points = std::min(p.x.size(), p.y.size());
  const auto usable = [&](std::size_t m) {
    return m < points && p.x[m].type != TrackValueType::kEmpty &&
           p.y[m].type != TrackValueType::kEmpty && std::isfinite(p.x[m].value) &&
           std::isfinite(p.y[m].value);
  };

  // One point every 50 m and the last point, which is where the plan ends.
  // Of a stretch, only its points: the plan is fitted to it.
  std::vector<std::size_t> drawn;
  const auto line_end = static_cast<std::size_t>(std::llround(k.line_end));
  const auto first = static_cast<std::size_t>(std::ceil(k.axis_start));
  const auto stop =
      static_cast<std::size_t>(std::min(static_cast<double>(points), std::floor(k.axis_end) + 1));
  for (std::size_t m = first; m < stop; m += 50) drawn.push_back(m);
  if (line_end >= first && line_end < stop) drawn.push_back(line_end);
  std::size_t last = stop;
  while (last > first && !usable(last - 1)) --last;
  if (last > first) {
    drawn.push_back(last - 1);
    std::sort(drawn.begin(), drawn.end());
    drawn.erase(std::unique(drawn.begin(), drawn.end()), drawn.end());
  }
  const auto in_stretch = [&](std::size_t m) { return m >= first && m < stop && usable(m); };

  double min_x = std::numeric_limits<double>::infinity(), max_x = -min_x;
  double min_y = min_x, max_y = -min_x;
  bool any = false;
  for (const std::size_t m : drawn) {
    if (!usable(m)) continue;
    any = true;
    min_x = std::min(min_x, p.x[m].value);
    max_x = std::max(max_x, p.x[m].value);
    min_y = std::min(min_y, p.y[m].value);
    max_y = std::max(max_y, p.y[m].value);
  }
  if (!any) {
    return draw_plan_note(page, k, top,
                          k.axis_start > 0 || k.axis_end < k.line_end
                              ? "The track plan holds no points in the stretch drawn."
                              : "The track plan holds no points.");
  }

  const double width = kRight - kLeft;
  double scale = std::numeric_limits<double>::infinity();
  if (max_x - min_x > 0) scale = std::min(scale, width / (max_x - min_x));
  if (max_y - min_y > 0) scale = std::min(scale, kPlanMaxHeight / (max_y - min_y));
  if (!std::isfinite(scale) || !(scale > 0)) scale = 1;
  const double frame_height = (max_y - min_y) * scale + 2 * kPlanMargin;
  const double frame_top = top + 26;
  const double centre_x = (min_x + max_x) / 2;
  const auto px = [&](std::size_t m) {
    return (kLeft + kRight) / 2 + (p.x[m].value - centre_x) * scale;
  };
  const auto py = [&](std::size_t m) {
    return frame_top + kPlanMargin + (max_y - p.y[m].value) * scale;
  };

  add_section_heading(k, page, top + 16, "Plan of the line");
  k.labels.add(page, kRight, top + 16, "equal scales on both axes, +y up",
               {.size = 12, .fill = "#777", .anchor = TextAnchor::kEnd});
  page.add(svg::Element("rect")
               .set("x", kLeft)
               .set("y", frame_top)
               .set("width", width)
               .set("height", frame_height)
               .set("fill", "#fbfbf8")
               .set("stroke", "#bbb"));
  reserve_frame_edges(k.labels, {kLeft, frame_top, kRight, frame_top + frame_height});
  k.labels.keep_within(Box{kLeft, frame_top, kRight, frame_top + frame_height});

  // The line solid, the run-out beyond its end dashed.
  svg::Path line;
  svg::Path run_out;
  bool new_stretch = true;
  bool in_run_out = false;
  std::optional<std::size_t> last_of_line;  // the last point drawn on the line
  for (const std::size_t m : drawn) {
    if (!usable(m)) {
      new_stretch = true;
      continue;
    }
    if (!in_run_out && m > line_end) {
      // The run-out continues from the last point of the line.
      in_run_out = true;
      new_stretch = !last_of_line.has_value();
      if (last_of_line) run_out.move_to(px(*last_of_line), py(*last_of_line));
    }
    svg::Path& path = in_run_out ? run_out : line;
    if (new_stretch) {
      path.move_to(px(m), py(m));
    } else {
      path.line_to(px(m), py(m));
    }
    if (!in_run_out) last_of_line = m;
    new_stretch = false;
  }
  page.add(svg::Element("path")
               .set_path(line)
               .set("fill", "none")
               .set("stroke", "#333")
               .set("stroke-width", 2.5)
               .set("stroke-linejoin", "round"));
  if (!run_out.empty()) {
    page.add(svg::Element("path")
                 .set_path(run_out)
                 .set("fill", "none")
                 .set("stroke", "#999")
                 .set("stroke-width", 1.5)
                 .set("stroke-dasharray", "6 4")
                 .title("Run-out beyond the end of the line"));
  }

  // The unit normal to the track at metre m, on the page: to the right of the
  // direction of travel for `side` = 1, to the left for -1.
  const auto normal = [&](std::size_t m, double side) {
    std::size_t before = m >= 50 ? m - 50 : 0;
    std::size_t after = std::min(m + 50, points > 0 ? points - 1 : 0);
    while (before < m && !usable(before)) ++before;
    while (after > m && !usable(after)) --after;
    const double dx = px(after) - px(before);
    const double dy = py(after) - py(before);
    const double l = std::hypot(dx, dy);
    if (!(l > 0) || !std::isfinite(l)) return std::pair<double, double>{side, 0};
    return std::pair<double, double>{-dy / l * side, dx / l * side};
  };
  // A place for a label beside the track at metre m, `distance` px out on
  // the side `side`.
  const auto beside_track = [&](std::size_t m, double side, double distance, double size) {
    const auto [nx, ny] = normal(m, side);
    Spot at;
    at.x = px(m) + nx * distance;
    at.y = py(m) + ny * distance + size * 0.35 + ny * size * 0.5;
    at.anchor = nx > 0.35    ? TextAnchor::kStart
                : nx < -0.35 ? TextAnchor::kEnd
                             : TextAnchor::kMiddle;
    return at;
  };
  // A label on either side of the track, the left one first.
  const auto either_side = [&](std::size_t m, double distance, std::string_view content,
                               const TextStyle& style) {
    const std::array places{beside_track(m, -1, distance, style.size),
                            beside_track(m, 1, distance, style.size)};
    k.labels.add(page, places, content, style, LabelLook::kHalo);
  };

  // A scale bar of a round length, about 150 px long.
  const double bar_metres = round_step(150 / scale, 1);
  const double bar = bar_metres * scale;
  const double bx = kLeft + 16;
  const double by = frame_top + frame_height - 14;
  page.add(svg::Element("path")
               .set_path(svg::Path()
                             .move_to(bx, by - 5)
                             .vertical_to(by)
                             .horizontal_to(bx + bar)
                             .vertical_to(by - 5))
               .set("fill", "none")
               .set("stroke", "#333")
               .set("stroke-width", 1.5));
  k.labels.reserve({bx - 1, by - 6, bx + bar + 1, by + 1});
  k.labels.add(page, bx + bar + 8, by + 1,
               bar_metres >= 1000
                   ? fixed_decimals(bar_metres / 1000, step_decimals(bar_metres / 1000)) + " km"
                   : fixed_decimals(bar_metres, 0) + " m",
               {.size = 12, .fill = "#333"});
  // The start and the end of the line, or of the stretch drawn. Labels keep
  // clear of the dots of the termini and the stations: all are
  // reserved before any label is placed.
  const auto dot = [&](std::size_t m, double r) {
    k.labels.reserve({px(m) - r - 0.5, py(m) - r - 0.5, px(m) + r + 0.5, py(m) + r + 0.5});
  };
  std::vector<std::pair<std::size_t, std::string>> termini;
  if (in_stretch(0)) termini.emplace_back(0, "start");
  if (in_stretch(line_end) && line_end > 0) termini.emplace_back(line_end, "end");
  // A stretch ends where it was cut.
  if (!drawn.empty() && usable(drawn.front()) && drawn.front() > 0) {
    termini.emplace_back(drawn.front(), km_text(static_cast<double>(drawn.front())));
  }
  if (!drawn.empty() && usable(drawn.back()) && drawn.back() < line_end &&
      k.axis_end < k.line_end) {
    termini.emplace_back(drawn.back(), km_text(static_cast<double>(drawn.back())));
  }
  for (const auto& [m, name] : termini) {
    page.add(
        svg::Element("circle").set("cx", px(m)).set("cy", py(m)).set("r", 6).set("fill", "#333"));
    dot(m, 6);
  }

  // The stations: every dot first, then the names, on alternate sides so
  // that neighbours collide less.
  std::vector<const PlotStation*> on_plan;
  for (const PlotStation& st : k.stations) {
    if (st.position < 0 || !in_stretch(static_cast<std::size_t>(st.position))) continue;
    const auto m = static_cast<std::size_t>(st.position);
    on_plan.push_back(&st);
    page.add(svg::Element("circle")
                 .set("cx", px(m))
                 .set("cy", py(m))
                 .set("r", 5.5)
                 .set("fill", "#fff")
                 .set("stroke", kStationColour)
                 .set("stroke-width", 2.5)
                 .title(st.name + " (" + km_text(st.position) + ")"));
    dot(m, 6);
  }
  for (const auto& [m, name] : termini) {
    either_side(m, 12, name, {.size = 12, .fill = "#333", .bold = true});
  }
  double side = 1;
  for (const PlotStation* st : on_plan) {
    const auto m = static_cast<std::size_t>(st->position);
    const std::array places{beside_track(m, side, 12, 14), beside_track(m, -side, 12, 14),
                            beside_track(m, side, 30, 14), beside_track(m, -side, 30, 14)};
    k.labels.add(page, places, st->name, {.size = 14, .fill = "#111"}, LabelLook::kBoxed);
    side = -side;
  }

  // Kilometre posts at the profile's ticks, so that the two views can be
  // matched; labelled where there is room.
  for (double post = std::ceil(k.axis_start / (k.km_step * 1000) + 1e-9) * k.km_step * 1000;
       post < std::min(k.line_end, k.axis_end); post += k.km_step * 1000) {
    const auto m = static_cast<std::size_t>(std::llround(post));
    if (!in_stretch(m)) continue;
    page.add(
        svg::Element("circle").set("cx", px(m)).set("cy", py(m)).set("r", 2.5).set("fill", "#999"));
    either_side(m, 8, fixed_decimals(post / 1000, step_decimals(k.km_step)) + " km",
                {.size = 11, .fill = "#888"});
  }

  k.labels.keep_within(std::nullopt);
  return 26 + frame_height + 24;
}

}  // namespace sb::plot

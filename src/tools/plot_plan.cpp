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
double draw_plan_note(svg::Element& page, double top, std::string_view note) {
  add_section_heading(page, top + 16, "Plan of the line");
  page.add(svg::Element("rect")
               .set("x", kLeft)
               .set("y", top + 26)
               .set("width", kRight - kLeft)
               .set("height", 60)
               .set("fill", "#f6f6f6")
               .set("stroke", "#bbb"));
  add_label(page, (kLeft + kRight) / 2, top + 61, note,
            {.size = 15, .fill = "#666", .anchor = "middle", .italic = true});
  return 26 + 60 + 24;
}

// A label beside the track: where its text stands and the box it covers.
struct LabelSpot {
  double x = 0, y = 0;  // the text's anchor point, on its baseline
  const char* anchor = "middle";
  Box box;
};

}  // namespace

double draw_plan(svg::Element& page, const PlotContext& k, double top) {
  if (!k.data.plan) return draw_plan_note(page, top, k.data.plan_note);
  const LinePlan& p = *k.data.plan;
  const std::size_t points = std::min(p.x.size(), p.y.size());
  const auto usable = [&](std::size_t m) {
    return m < points && p.x[m].type != TrackValueType::kEmpty &&
           p.y[m].type != TrackValueType::kEmpty && std::isfinite(p.x[m].value) &&
           std::isfinite(p.y[m].value);
  };

  // One point every 50 m and the last point, which is where the plan ends.
  std::vector<std::size_t> drawn;
  const auto line_end = static_cast<std::size_t>(std::llround(k.line_end));
  for (std::size_t m = 0; m < points; m += 50) drawn.push_back(m);
  if (line_end < points) drawn.push_back(line_end);
  std::size_t last = points;
  while (last > 0 && !usable(last - 1)) --last;
  if (last > 0) {
    drawn.push_back(last - 1);
    std::sort(drawn.begin(), drawn.end());
    drawn.erase(std::unique(drawn.begin(), drawn.end()), drawn.end());
  }

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
  if (!any) return draw_plan_note(page, top, "The track plan holds no points.");

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

  add_section_heading(page, top + 16, "Plan of the line");
  add_label(page, kRight, top + 16, "equal scales on both axes, +y up",
            {.size = 12, .fill = "#777", .anchor = "end"});
  page.add(svg::Element("rect")
               .set("x", kLeft)
               .set("y", frame_top)
               .set("width", width)
               .set("height", frame_height)
               .set("fill", "#fbfbf8")
               .set("stroke", "#bbb"));

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
  // A label beside the track at metre m, `distance` px out on the side
  // `side`, its box estimated from the number of characters.
  const auto beside_track = [&](std::size_t m, double side, double distance,
                                std::string_view content, double size) {
    const auto [nx, ny] = normal(m, side);
    LabelSpot at;
    at.x = px(m) + nx * distance;
    const double ay = py(m) + ny * distance;
    at.anchor = nx > 0.35 ? "start" : nx < -0.35 ? "end" : "middle";
    at.y = ay + size * 0.35 + ny * size * 0.5;
    const double w = estimated_text_width(content, size);
    const double x0 = nx > 0.35 ? at.x : nx < -0.35 ? at.x - w : at.x - w / 2;
    at.box = {x0 - 3, at.y - size * 0.95, x0 + w + 3, at.y + size * 0.35};
    return at;
  };

  // Labels never cover one another nor a station: each one placed, and each
  // station's dot, takes its box, and a label that finds no free place is
  // left out (the station keeps its tooltip, and the profile names it).
  LabelSpace space(Box{kLeft, frame_top, kRight, frame_top + frame_height});
  // Places a label at the first free one of `places`; with `boxed` on a pale
  // box, otherwise with a halo. Draws nothing when none is free.
  const auto place_label = [&](std::span<const LabelSpot> places, std::string_view content,
                               TextStyle style, bool boxed) {
    std::vector<Box> boxes;
    for (const LabelSpot& at : places) boxes.push_back(at.box);
    const std::optional<std::size_t> chosen = space.place(boxes);
    if (!chosen) return;
    const LabelSpot& at = places[*chosen];
    if (boxed) {
      page.add(svg::Element("rect")
                   .set("x", at.box.x0)
                   .set("y", at.box.y0)
                   .set("width", at.box.x1 - at.box.x0)
                   .set("height", at.box.y1 - at.box.y0)
                   .set("rx", 3)
                   .set("fill", "#fff")
                   .set("fill-opacity", "0.85")
                   .set("stroke", "#ccc")
                   .set("stroke-width", 0.6));
    }
    style.anchor = at.anchor;
    add_label(page, at.x, at.y, content, style, !boxed);
  };
  // A label on either side of the track, the left one first.
  const auto either_side = [&](std::size_t m, double distance, std::string_view content,
                               const TextStyle& style) {
    const std::array places{beside_track(m, -1, distance, content, style.size),
                            beside_track(m, 1, distance, content, style.size)};
    place_label(places, content, style, false);
  };

  // The start and the end of the line.
  const auto terminus = [&](std::size_t m, const char* name) {
    page.add(
        svg::Element("circle").set("cx", px(m)).set("cy", py(m)).set("r", 6).set("fill", "#333"));
    either_side(m, 12, name, {.size = 12, .fill = "#333", .bold = true});
  };
  if (usable(0)) terminus(0, "start");
  if (usable(line_end) && line_end > 0) terminus(line_end, "end");

  // The stations: every dot first, then the names, on alternate sides so
  // that neighbours collide less.
  std::vector<const PlotStation*> on_plan;
  for (const PlotStation& st : k.stations) {
    if (st.position < 0 || !usable(static_cast<std::size_t>(st.position))) continue;
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
    space.reserve({px(m) - 6, py(m) - 6, px(m) + 6, py(m) + 6});
  }
  double side = 1;
  for (const PlotStation* st : on_plan) {
    const auto m = static_cast<std::size_t>(st->position);
    const std::array places{
        beside_track(m, side, 12, st->name, 14), beside_track(m, -side, 12, st->name, 14),
        beside_track(m, side, 30, st->name, 14), beside_track(m, -side, 30, st->name, 14)};
    place_label(places, st->name, {.size = 14, .fill = "#111"}, true);
    side = -side;
  }

  // Kilometre posts at the profile's ticks, so that the two views can be
  // matched; labelled where there is room.
  for (double post = k.km_step * 1000; post < k.line_end; post += k.km_step * 1000) {
    const auto m = static_cast<std::size_t>(std::llround(post));
    if (!usable(m)) continue;
    page.add(
        svg::Element("circle").set("cx", px(m)).set("cy", py(m)).set("r", 2.5).set("fill", "#999"));
    either_side(m, 8, fixed_decimals(post / 1000, step_decimals(k.km_step)) + " km",
                {.size = 11, .fill = "#888"});
  }

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
  add_label(page, bx + bar + 8, by + 1,
            bar_metres >= 1000
                ? fixed_decimals(bar_metres / 1000, step_decimals(bar_metres / 1000)) + " km"
                : fixed_decimals(bar_metres, 0) + " m",
            {.size = 12, .fill = "#333"});
  return 26 + frame_height + 24;
}

}  // namespace sb::plot

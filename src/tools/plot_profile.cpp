// The longitudinal profile: gradient (left axis) and speed limit (right
// axis) against metres along the line, mapped to the same x range as the
// plan's frame; the mountain spans behind them, the station names above and
// the lanes of element markers below.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/cell_kinds.h"
#include "compiler/route_values.h"
#include "tools/label_placement.h"
#include "tools/plot_page.h"

namespace sb::plot {

namespace {

constexpr double kNamesMaxHeight = 165;  // most room above the graph for station names
constexpr double kProfileHeight = 320;
constexpr double kLaneHeight = 26;  // one lane of markers under the graph
constexpr double kNameSize = 13;    // px, the slanted station names
constexpr double kNameSlant = 50;   // degrees above the horizontal
constexpr double kNameGap = 17;     // px between neighbouring names along the row

// A run of cells with one value: [start, end) in metres.
struct Run {
  double start;
  double end;
  int value;
};

// Runs of equal values of one field over the cells that start before `end`.
template <typename Field>
std::vector<Run> runs_of(const std::vector<cella>& percorso, double end, Field field) {
  std::vector<Run> runs;
  for (std::size_t c = 0; c < percorso.size(); ++c) {
    const double start = static_cast<double>(c) * kCellLength;
    if (start >= end) break;
    const double run_end = std::min(end, start + kCellLength);
    const int v = field(percorso[c]);
    if (!runs.empty() && runs.back().value == v && runs.back().end == start) {
      runs.back().end = run_end;
    } else {
      runs.push_back({start, run_end, v});
    }
  }
  return runs;
}

// The step line through runs: across each run at its value, straight up or
// down between runs. The first point is moved to, or with `join` reached by
// a line from where the path stands.
template <typename X, typename Y>
void add_steps(svg::Path& path, const std::vector<Run>& runs, X x, Y y, bool join = false) {
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (i > 0) {
      path.vertical_to(y(runs[i].value));
    } else if (join) {
      path.line_to(x(runs[i].start), y(runs[i].value));
    } else {
      path.move_to(x(runs[i].start), y(runs[i].value));
    }
    path.horizontal_to(x(runs[i].end));
  }
}

// The tooltip of an element: its kind and place, the text of the item it
// names (a sign's text, a station's name: `dato1` is the item's number for
// those two kinds), and every field of its cell.
std::string element_tooltip(const cella& c, std::size_t index, double metres,
                            const std::array<oggetto, kItemCount>& oggetti) {
  std::string s = kind_title(c.genere) + " at " + km_text(metres);
  if (c.genere == kSign || c.genere == kStationEnd) {
    const Integer item = c.dato1;
    s += ": ";
    s += item >= 0 && item < kItemCount
             ? readable_text(oggetti[static_cast<std::size_t>(item)].testo)
             : "item " + std::to_string(item) + " (no such item)";
  }
  s += "\ncella " + std::to_string(index) + ":";
  const char* separator = " ";
  visit_fields(c, [&](std::string_view name, auto v) {
    s += separator;
    s += name;
    s += ' ';
    s += std::to_string(static_cast<int>(v));
    separator = ", ";
  });
  return s;
}

}  // namespace

void add_marker(svg::Element& parent, PlotSymbol symbol, double x, double y) {
  constexpr const char* kSignalColour = "#2ca02c";
  constexpr const char* kBoardsColour = "#ff7f0e";
  constexpr const char* kSignColour = "#8e44ad";
  constexpr const char* kSlowdownColour = "#e377c2";
  constexpr const char* kWarningColour = "#d4b000";
  constexpr const char* kMarkColour = "#7f7f7f";
  const auto filled_path = [&](const svg::Path& d, const char* colour) {
    return svg::Element("path").set_path(d).set("fill", colour);
  };
  switch (symbol) {
    case PlotSymbol::kNone:
      return;
    case PlotSymbol::kMast:
      parent.add(svg::Element("path")
                     .set_path(svg::Path().move_to(x, y + 8).vertical_to(y - 3))
                     .set("stroke", kSignalColour)
                     .set("stroke-width", 2));
      parent.add(svg::Element("circle")
                     .set("cx", x)
                     .set("cy", y - 5)
                     .set("r", 3.5)
                     .set("fill", kSignalColour));
      return;
    case PlotSymbol::kSquare:
      parent.add(svg::Element("rect")
                     .set("x", x - 4)
                     .set("y", y - 4)
                     .set("width", 8)
                     .set("height", 8)
                     .set("fill", kBoardsColour));
      return;
    case PlotSymbol::kDiamond:
      parent.add(filled_path(svg::Path()
                                 .move_to(x, y - 6)
                                 .line_to(x + 5, y)
                                 .line_to(x, y + 6)
                                 .line_to(x - 5, y)
                                 .close(),
                             kSignColour));
      return;
    case PlotSymbol::kBar:
      parent.add(svg::Element("rect")
                     .set("x", x - 1.5)
                     .set("y", y - 8)
                     .set("width", 3)
                     .set("height", 16)
                     .set("fill", kStationColour));
      return;
    case PlotSymbol::kTriangle:
      parent.add(
          filled_path(
              svg::Path().move_to(x, y - 7).line_to(x + 6, y + 5).line_to(x - 6, y + 5).close(),
              kWarningColour)
              .set("stroke", "#555")
              .set("stroke-width", 0.8));
      return;
    case PlotSymbol::kArrowAhead:
      parent.add(filled_path(
          svg::Path().move_to(x - 5, y - 6).line_to(x + 6, y).line_to(x - 5, y + 6).close(),
          kSlowdownColour));
      return;
    case PlotSymbol::kArrowBack:
      parent.add(filled_path(
          svg::Path().move_to(x + 5, y - 6).line_to(x - 6, y).line_to(x + 5, y + 6).close(),
          kSlowdownColour));
      return;
    case PlotSymbol::kDot:
      parent.add(
          svg::Element("circle").set("cx", x).set("cy", y).set("r", 4).set("fill", kMarkColour));
      return;
    case PlotSymbol::kRing:
      parent.add(svg::Element("circle")
                     .set("cx", x)
                     .set("cy", y)
                     .set("r", 3.5)
                     .set("fill", "#fff")
                     .set("stroke", kMarkColour)
                     .set("stroke-width", 1.5));
      return;
  }
}

double draw_profile(svg::Element& page, const PlotContext& k, double top) {
  const std::vector<cella>& percorso = k.data.percorso;
  // Room above the graph for the names of the stations, slanted: as tall as
  // the longest name needs, within a limit.
  // The height of a slanted name is its length times sin 50 degrees.
  double longest_name = 0;
  for (const PlotStation& st : k.stations) {
    longest_name = std::max(longest_name, estimated_text_width(st.name, kNameSize));
  }
  const double names_height =
      k.stations.empty() ? 10 : std::min(kNamesMaxHeight, 34 + longest_name * 0.77);
  const double graph_top = top + 26 + names_height;
  const double graph_bottom = graph_top + kProfileHeight;
  const double lanes_top = graph_bottom + 8;
  const double bottom = lanes_top + kPlotLaneCount * kLaneHeight;

  add_section_heading(page, top + 16, "Longitudinal profile");

  // The running attributes, over the line only: the run-out beyond its end
  // holds zeros, not values.
  const auto gradients = runs_of(percorso, k.line_end, gradient_per_mille);
  const auto speeds = runs_of(percorso, k.line_end, speed_limit_kmh);
  const auto mountains =
      runs_of(percorso, k.axis_end, [](const cella& c) { return int{c.montagna}; });

  int min_g = 0, max_g = 0, max_v = 0;
  for (const Run& r : gradients) {
    min_g = std::min(min_g, r.value);
    max_g = std::max(max_g, r.value);
  }
  for (const Run& r : speeds) max_v = std::max(max_v, r.value);
  if (min_g == max_g) {
    min_g -= 10;
    max_g += 10;
  }
  const double step_g = round_step(max_g - min_g, 6);
  const double g0 = std::floor(min_g / step_g) * step_g;
  const double g1 = std::ceil(max_g / step_g) * step_g;
  const double step_v = round_step(std::max(max_v, 50), 6);
  const double v1 = std::ceil(std::max(max_v, 50) / step_v) * step_v;
  const auto yg = [&](double g) { return graph_bottom - (g - g0) / (g1 - g0) * kProfileHeight; };
  const auto yv = [&](double v) { return graph_bottom - v / v1 * kProfileHeight; };
  const auto x = [&](double metres) { return k.profile_x(metres); };

  // Background, mountain spans and the stretch beyond the end of the line.
  page.add(svg::Element("rect")
               .set("x", kLeft)
               .set("y", graph_top)
               .set("width", kRight - kLeft)
               .set("height", kProfileHeight)
               .set("fill", "#fcfcfc")
               .set("stroke", "#bbb"));
  for (const Run& r : mountains) {
    if (r.value == 0) continue;
    page.add(svg::Element("rect")
                 .set("x", x(r.start))
                 .set("y", graph_top)
                 .set("width", std::max(1.0, x(r.end) - x(r.start)))
                 .set("height", kProfileHeight)
                 .set("fill", kMountainColour)
                 .set("fill-opacity", "0.16")
                 .title("Mountain span, kind " + std::to_string(r.value) + ": " + km_text(r.start) +
                        " to " + km_text(r.end)));
  }
  if (k.axis_end > k.line_end) {
    page.add(svg::Element("rect")
                 .set("x", x(k.line_end))
                 .set("y", graph_top)
                 .set("width", kRight - x(k.line_end))
                 .set("height", bottom - graph_top)
                 .set("fill", "#888")
                 .set("fill-opacity", "0.15")
                 .title("Beyond the end of the line"));
  }

  // Gradient grid and axis (left), speed axis (right).
  for (double g = g0; g <= g1 + step_g / 2; g += step_g) {
    page.add(svg::Element("path")
                 .set_path(svg::Path().move_to(kLeft, yg(g)).horizontal_to(kRight))
                 .set("stroke", std::abs(g) < step_g / 2 ? "#999" : "#e4e4e4")
                 .set("stroke-width", 1));
    add_label(page, kLeft - 8, yg(g) + 4, fixed_decimals(g, step_decimals(step_g)),
              {.size = 12, .fill = kGradientColour, .anchor = "end"});
  }
  for (double v = 0; v <= v1 + step_v / 2; v += step_v) {
    page.add(svg::Element("path")
                 .set_path(svg::Path().move_to(kRight, yv(v)).horizontal_by(5))
                 .set("stroke", kSpeedColour));
    add_label(page, kRight + 8, yv(v) + 4, fixed_decimals(v, step_decimals(step_v)),
              {.size = 12, .fill = kSpeedColour});
  }
  const double middle = (graph_top + graph_bottom) / 2;
  page.add(text_at(kLeft - 52, middle, "Gradient (\xE2\x80\xB0)",
                   {.size = 14, .fill = kGradientColour, .anchor = "middle", .bold = true})
               .set("transform", svg::rotate(-90, kLeft - 52, middle)));
  page.add(text_at(kRight + 58, middle, "Speed limit (km/h)",
                   {.size = 14, .fill = kSpeedColour, .anchor = "middle", .bold = true})
               .set("transform", svg::rotate(90, kRight + 58, middle)));

  // Kilometre grid through the graph and the lanes, ticks and labels below.
  const int km_decimals = step_decimals(k.km_step);
  for (double m = 0; m <= k.axis_end + 1e-6; m += k.km_step * 1000) {
    page.add(svg::Element("path")
                 .set_path(svg::Path().move_to(x(m), graph_top).vertical_to(bottom))
                 .set("stroke", "#ececec")
                 .set("stroke-width", 1));
    page.add(svg::Element("path")
                 .set_path(svg::Path().move_to(x(m), bottom).vertical_by(6))
                 .set("stroke", "#333"));
    add_label(page, x(m), bottom + 20, fixed_decimals(m / 1000, km_decimals),
              {.size = 12, .fill = "#333", .anchor = "middle"});
  }
  page.add(svg::Element("path")
               .set_path(svg::Path().move_to(kLeft, bottom).horizontal_to(kRight))
               .set("stroke", "#333"));
  add_label(page, (kLeft + kRight) / 2, bottom + 42, "Distance along the line (km)",
            {.size = 14, .fill = "#222", .anchor = "middle", .bold = true});

  // The two step lines; the gradient also shaded against zero.
  if (!gradients.empty()) {
    const double zero = yg(std::clamp(0.0, g0, g1));
    svg::Path shade;
    shade.move_to(x(gradients.front().start), zero);
    add_steps(shade, gradients, x, yg, true);
    shade.vertical_to(zero).close();
    page.add(svg::Element("path")
                 .set_path(shade)
                 .set("fill", kGradientColour)
                 .set("fill-opacity", "0.12")
                 .set("stroke", "none"));
    svg::Path line;
    add_steps(line, gradients, x, yg);
    page.add(svg::Element("path")
                 .set_path(line)
                 .set("fill", "none")
                 .set("stroke", kGradientColour)
                 .set("stroke-width", 1.8));
  }
  if (!speeds.empty()) {
    svg::Path line;
    add_steps(line, speeds, x, yv);
    page.add(svg::Element("path")
                 .set_path(line)
                 .set("fill", "none")
                 .set("stroke", kSpeedColour)
                 .set("stroke-width", 2.2));
  }

  // Lanes of markers, one for each lane of the kind table, then every cell
  // whose kind has a lane.
  for (int lane = 0; lane < kPlotLaneCount; ++lane) {
    const double lane_y = lanes_top + lane * kLaneHeight;
    if (lane % 2 == 0) {
      page.add(svg::Element("rect")
                   .set("x", kLeft)
                   .set("y", lane_y)
                   .set("width", kRight - kLeft)
                   .set("height", kLaneHeight)
                   .set("fill", "#000")
                   .set("fill-opacity", "0.035"));
    }
    add_label(page, kLeft - 8, lane_y + kLaneHeight / 2 + 4,
              lane_name(static_cast<PlotLane>(lane + 1)),
              {.size = 12, .fill = "#333", .anchor = "end"});
  }
  for (std::size_t c = 0; c < percorso.size(); ++c) {
    const cella& e = percorso[c];
    const CellKindInfo* kind = cell_kind(e.genere);
    if (kind == nullptr || kind->lane == PlotLane::kNone) continue;
    const double metres = metre_of(kind->placement, static_cast<std::int64_t>(c));
    if (metres > k.axis_end) continue;
    const double lane_y =
        lanes_top + (static_cast<int>(kind->lane) - 1) * kLaneHeight + kLaneHeight / 2;
    svg::Element g("g");
    add_marker(g, kind->symbol, x(metres), lane_y);
    g.title(element_tooltip(e, c, metres, k.data.oggetti));
    page.add(g);
  }

  // Stations: a dashed line through graph and lanes, the name above. Names
  // of stations close together are spread apart, as near to their station as
  // the room allows, and joined to it by a short leader; a name that finds
  // no room is left out, and its line carries the name as a tooltip.
  std::vector<const PlotStation*> named;
  std::vector<double> anchors;
  for (const PlotStation& st : k.stations) {
    if (st.position < 0 || st.position > k.axis_end) continue;
    named.push_back(&st);
    anchors.push_back(x(st.position));
  }
  const std::vector<std::optional<double>> spread =
      spread_along_row(anchors, kNameGap, kLeft, kRight);
  for (std::size_t i = 0; i < named.size(); ++i) {
    const PlotStation& st = *named[i];
    const std::string tooltip = st.name + " (" + km_text(st.position) + ")";
    svg::Path line;
    if (spread[i])
      line.move_to(*spread[i], graph_top - 16).line_to(anchors[i], graph_top - 6);
    else
      line.move_to(anchors[i], graph_top - 6);
    line.vertical_to(bottom);
    svg::Element dashed("path");
    dashed.set_path(line)
        .set("fill", "none")
        .set("stroke", "#555")
        .set("stroke-width", 1)
        .set("stroke-dasharray", "4 3");
    if (!spread[i]) dashed.title(tooltip);
    page.add(dashed);
    if (!spread[i]) continue;
    page.add(text_at(*spread[i], graph_top - 20, st.name, {.size = kNameSize, .fill = "#111"})
                 .set("transform", svg::rotate(-kNameSlant, *spread[i], graph_top - 20))
                 .title(tooltip));
  }
  return bottom + 60 - top;
}

}  // namespace sb::plot

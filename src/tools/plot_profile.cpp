// The longitudinal profile: gradient (left axis) and speed limit (right
// axis) against metres along the line, mapped to the same x range as the
// plan's frame; the mountain spans behind them, the station names above and
// the lanes of element markers below.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>
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
constexpr double kLaneHeight = 26;          // one lane of markers under the graph
constexpr double kLabelledLaneHeight = 44;  // a lane whose markers carry labels
constexpr double kNameSize = 13;            // px, the slanted station names
constexpr double kNameSlant = 50;           // degrees above the horizontal
constexpr double kValueSize = 11;           // px, values on the lines and in the lanes

// The lanes whose markers carry a label beside them: the speeds of the
// boards, the texts of the signs, the speeds of the slowdowns.
bool labelled_lane(PlotLane lane) {
  return lane == PlotLane::kBoards || lane == PlotLane::kSigns || lane == PlotLane::kSlowdowns;
}

// The label of an element in its lane, or "" for none.
std::string element_label(const cella& c, const std::array<oggetto, kItemCount>& oggetti) {
  switch (c.genere) {
    case kSpeedBoards: {
      // The speeds of the three categories, one figure when they agree.
      const int a = board_speeds(c.dato1).set_s;
      const int b = board_speeds(c.dato2).set_s;
      const int d = board_speeds(c.dato3).set_s;
      if (a == b && b == d) return std::to_string(a);
      return std::to_string(a) + "/" + std::to_string(b) + "/" + std::to_string(d);
    }
    case kSign: {
      const std::optional<std::size_t> item = named_item(c);
      if (!item) return "";
      std::string text;
      for (const std::string& line : sign_text_lines(oggetti[*item].testo)) {
        if (!text.empty()) text += ' ';
        text += line;
      }
      return readable_text(text);
    }
    case kSlowdownStart:
      return std::to_string(c.dato1) + " km/h";
    default:
      return "";
  }
}

// A run of cells with one value: [start, end) in metres.
struct Run {
  double start;
  double end;
  int value;
};

// Runs of equal values of one field, `field(c)` for cell c, over the
// metres from `from` to `to`, cut to them.
template <typename Field>
std::vector<Run> runs_of(std::size_t cells, double from, double to, Field field) {
  std::vector<Run> runs;
  if (!(from < to)) return runs;
  const auto first = static_cast<std::size_t>(std::max(0.0, std::floor(from / kCellLength)));
  for (std::size_t c = first; c < cells; ++c) {
    const double start = std::max(from, static_cast<double>(c) * kCellLength);
    if (start >= to) break;
    const double run_end = std::min(to, static_cast<double>(c + 1) * kCellLength);
    if (run_end <= start) continue;
    const int v = field(c);
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

// Where the runs are too many for the width, each column of kBandColumn px
// shows the range of the values within it: the outline of that band, or
// nothing when the runs are few enough to be drawn as steps.
constexpr double kBandColumn = 2;
template <typename X, typename Y>
std::optional<svg::Path> dense_band(const std::vector<Run>& runs, X x, Y y) {
  const auto columns = static_cast<std::size_t>((kRight - kLeft) / kBandColumn);
  if (runs.size() < columns / 2) return std::nullopt;
  std::vector<double> low(columns, std::numeric_limits<double>::infinity());
  std::vector<double> high(columns, -std::numeric_limits<double>::infinity());
  const auto column = [&](double px) {
    const double i = std::floor((px - kLeft) / kBandColumn);
    return static_cast<std::size_t>(std::clamp(i, 0.0, static_cast<double>(columns - 1)));
  };
  for (const Run& r : runs) {
    const std::size_t last = column(x(r.end) - 1e-6);
    for (std::size_t i = column(x(r.start)); i <= last; ++i) {
      low[i] = std::min(low[i], static_cast<double>(r.value));
      high[i] = std::max(high[i], static_cast<double>(r.value));
    }
  }
  // Columns that no run reaches take their neighbour's range.
  for (std::size_t i = 1; i < columns; ++i) {
    if (!(low[i] <= high[i])) {
      low[i] = low[i - 1];
      high[i] = high[i - 1];
    }
  }
  svg::Path band;
  bool started = false;
  for (std::size_t i = 0; i < columns; ++i) {
    if (!(low[i] <= high[i])) continue;
    const double left = kLeft + static_cast<double>(i) * kBandColumn;
    if (!started) {
      band.move_to(left, y(high[i]));
      started = true;
    } else {
      band.vertical_to(y(high[i]));
    }
    band.horizontal_to(left + kBandColumn);
  }
  for (std::size_t i = columns; i-- > 0;) {
    if (!(low[i] <= high[i])) continue;
    band.vertical_to(y(low[i]) + 1);  // at least a line's width
    band.horizontal_to(kLeft + static_cast<double>(i) * kBandColumn);
  }
  if (!started) return std::nullopt;
  band.close();
  return band;
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
  Labels& labels = k.labels;
  // Room above the graph for the names of the stations, slanted: as tall as
  // the longest name needs, within a limit. The height of a slanted name is
  // its length times sin 50 degrees.
  double longest_name = 0;
  for (const PlotStation& st : k.stations) {
    if (k.shown(static_cast<double>(st.position))) {
      longest_name = std::max(longest_name, estimated_text_width(st.name, kNameSize));
    }
  }
  const double names_height =
      longest_name == 0 ? 10 : std::min(kNamesMaxHeight, 34 + longest_name * 0.77);
  const double graph_top = top + 26 + names_height;
  const double graph_bottom = graph_top + kProfileHeight;
  const double lanes_top = graph_bottom + 8;
  std::array<double, kPlotLaneCount + 1> lane_top{};  // by lane, and the bottom of the last
  lane_top[0] = lanes_top;
  for (int lane = 1; lane <= kPlotLaneCount; ++lane) {
    lane_top[static_cast<std::size_t>(lane)] =
        lane_top[static_cast<std::size_t>(lane - 1)] +
        (labelled_lane(static_cast<PlotLane>(lane)) ? kLabelledLaneHeight : kLaneHeight);
  }
  const double bottom = lane_top[kPlotLaneCount];
  const auto marker_y = [&](PlotLane lane) {
    return lane_top[static_cast<std::size_t>(lane) - 1] + kLaneHeight / 2;
  };
  const Box graph{kLeft, graph_top, kRight, graph_bottom};

  add_section_heading(k, page, top + 16, "Longitudinal profile");

  // The running attributes, over the line only: the run-out beyond its end
  // holds zeros, not values. A slowdown lowers the limit over its stretch.
  const double line_to = std::min(k.line_end, k.axis_end);
  std::vector<int> limit(percorso.size());
  for (std::size_t c = 0; c < percorso.size(); ++c) limit[c] = speed_limit_kmh(percorso[c]);
  std::vector<int> in_force = limit;
  const std::vector<Slowdown> slowdowns = slowdowns_of(percorso);
  for (const Slowdown& s : slowdowns) {
    const auto first = static_cast<std::size_t>(std::max(0.0, s.start / kCellLength));
    const auto last = static_cast<std::size_t>(std::max(0.0, s.end / kCellLength));
    for (std::size_t c = first; c < last && c < in_force.size(); ++c) {
      if (s.speed_kmh >= 0) in_force[c] = std::min(in_force[c], s.speed_kmh);
    }
  }
  const auto gradients = runs_of(percorso.size(), k.axis_start, line_to,
                                 [&](std::size_t c) { return gradient_per_mille(percorso[c]); });
  const auto speeds =
      runs_of(percorso.size(), k.axis_start, line_to, [&](std::size_t c) { return in_force[c]; });
  const auto limits =
      runs_of(percorso.size(), k.axis_start, line_to, [&](std::size_t c) { return limit[c]; });
  const auto mountains = runs_of(percorso.size(), k.axis_start, k.axis_end,
                                 [&](std::size_t c) { return int{percorso[c].montagna}; });

  int min_g = 0, max_g = 0, max_v = 0;
  for (const Run& r : gradients) {
    min_g = std::min(min_g, r.value);
    max_g = std::max(max_g, r.value);
  }
  for (const Run& r : limits) max_v = std::max(max_v, r.value);
  if (min_g == max_g) {
    min_g -= 10;
    max_g += 10;
  }
  // Headroom above the highest value and below the lowest, so that neither
  // line runs along the frame and the values written beside them fit inside.
  const double room_g = (max_g - min_g) * 0.1;
  const double step_g = round_step(max_g - min_g + 2 * room_g, 6);
  const double g0 = std::floor((min_g - (min_g < 0 ? room_g : 0)) / step_g) * step_g;
  const double g1 = std::ceil((max_g + room_g) / step_g) * step_g;
  const double top_v = std::max(max_v, 50) * 1.1;
  const double step_v = round_step(top_v, 6);
  const double v1 = std::ceil(top_v / step_v) * step_v;
  const auto yg = [&](double g) { return graph_bottom - (g - g0) / (g1 - g0) * kProfileHeight; };
  const auto yv = [&](double v) { return graph_bottom - v / v1 * kProfileHeight; };
  const auto x = [&](double metres) { return k.profile_x(metres); };

  // Background, mountain spans, slowdowns and the stretch beyond the end of
  // the line.
  add_graph_frame(page, labels, graph);
  for (const Run& r : mountains) {
    if (r.value == 0) continue;
    page.add(graph_band(x(r.start), x(r.end), graph_top, kProfileHeight, kMountainColour, "0.16")
                 .title("Mountain span, kind " + std::to_string(r.value) + ": " + km_text(r.start) +
                        " to " + km_text(r.end)));
  }
  for (const Slowdown& s : slowdowns) {
    const double a = std::max(s.start, k.axis_start), b = std::min(s.end, line_to);
    if (!(a < b)) continue;
    page.add(graph_band(x(a), x(b), graph_top, kProfileHeight, kSlowdownColour, "0.25")
                 .title("Slowdown to " + std::to_string(s.speed_kmh) +
                        " km/h: " + km_text(s.start) + " to " + km_text(s.end)));
  }
  if (k.axis_end > k.line_end) {
    const double from = x(std::max(k.line_end, k.axis_start));
    page.add(svg::Element("rect")
                 .set("x", from)
                 .set("y", graph_top)
                 .set("width", kRight - from)
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
    labels.add(page, kLeft - 8, yg(g) + 4, fixed_decimals(g, step_decimals(step_g)),
               {.size = 12, .fill = kGradientColour, .anchor = TextAnchor::kEnd});
  }
  for (double v = 0; v <= v1 + step_v / 2; v += step_v) {
    page.add(svg::Element("path")
                 .set_path(svg::Path().move_to(kRight, yv(v)).horizontal_by(5))
                 .set("stroke", kSpeedColour));
    labels.add(page, kRight + 8, yv(v) + 4, fixed_decimals(v, step_decimals(step_v)),
               {.size = 12, .fill = kSpeedColour});
  }
  const double middle = (graph_top + graph_bottom) / 2;
  const TextStyle axis_title{.size = 14, .anchor = TextAnchor::kMiddle, .bold = true};
  TextStyle gradient_title = axis_title;
  gradient_title.fill = kGradientColour;
  TextStyle speed_title = axis_title;
  speed_title.fill = kSpeedColour;
  const Spot left_title{kLeft - 52, middle, TextAnchor::kMiddle, -90};
  const Spot right_title{kRight + 58, middle, TextAnchor::kMiddle, 90};
  labels.add(page, std::span<const Spot>(&left_title, 1), "Gradient (\xE2\x80\xB0)",
             gradient_title);
  labels.add(page, std::span<const Spot>(&right_title, 1), "Speed limit (km/h)", speed_title);

  // Kilometre grid through the graph and the lanes, ticks and labels below.
  const int km_decimals = step_decimals(k.km_step);
  const double km_step = k.km_step * 1000;
  for (double m = std::ceil(k.axis_start / km_step - 1e-9) * km_step; m <= k.axis_end + 1e-6;
       m += km_step) {
    page.add(svg::Element("path")
                 .set_path(svg::Path().move_to(x(m), graph_top).vertical_to(bottom))
                 .set("stroke", "#ececec")
                 .set("stroke-width", 1));
    page.add(svg::Element("path")
                 .set_path(svg::Path().move_to(x(m), bottom).vertical_by(6))
                 .set("stroke", "#333"));
    labels.add(page, x(m), bottom + 20, fixed_decimals(m / 1000, km_decimals),
               {.size = 12, .fill = "#333", .anchor = TextAnchor::kMiddle});
  }
  page.add(svg::Element("path")
               .set_path(svg::Path().move_to(kLeft, bottom).horizontal_to(kRight))
               .set("stroke", "#333"));
  labels.add(page, (kLeft + kRight) / 2, bottom + 42, "Distance along the line (km)",
             {.size = 14, .fill = "#222", .anchor = TextAnchor::kMiddle, .bold = true});

  // The two step lines; the gradient also shaded against zero. Where a
  // slowdown lowers the limit, the limit it replaces stays as a thin dashed
  // line above.
  const std::optional<svg::Path> gradient_band = dense_band(gradients, x, yg);
  const std::optional<svg::Path> speed_band = dense_band(speeds, x, yv);
  if (gradient_band || speed_band) {
    labels.add(page, kRight, top + 16,
               "too many changes for the width: each 2 px column shows the range of values "
               "within it",
               {.size = 12, .fill = "#777", .anchor = TextAnchor::kEnd});
  }
  if (gradient_band) {
    page.add(svg::Element("path")
                 .set_path(*gradient_band)
                 .set("fill", kGradientColour)
                 .set("fill-opacity", "0.55")
                 .set("stroke", "none"));
  } else if (!gradients.empty()) {
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
  if (speed_band) {
    page.add(svg::Element("path")
                 .set_path(*speed_band)
                 .set("fill", kSpeedColour)
                 .set("fill-opacity", "0.55")
                 .set("stroke", "none"));
  } else if (!speeds.empty()) {
    if (speeds.size() != limits.size()) {
      svg::Path replaced;
      add_steps(replaced, limits, x, yv);
      page.add(svg::Element("path")
                   .set_path(replaced)
                   .set("fill", "none")
                   .set("stroke", kSpeedColour)
                   .set("stroke-width", 1)
                   .set("stroke-dasharray", "3 3"));
    }
    svg::Path line;
    add_steps(line, speeds, x, yv);
    page.add(svg::Element("path")
                 .set_path(line)
                 .set("fill", "none")
                 .set("stroke", kSpeedColour)
                 .set("stroke-width", 2.2));
  }

  // Lanes of markers, one for each lane of the kind table, then every cell
  // whose kind has a lane. Labelled lanes keep their markers clear of labels.
  for (int lane = 0; lane < kPlotLaneCount; ++lane) {
    const double lane_y = lane_top[static_cast<std::size_t>(lane)];
    const double height = lane_top[static_cast<std::size_t>(lane) + 1] - lane_y;
    if (lane % 2 == 0) {
      page.add(svg::Element("rect")
                   .set("x", kLeft)
                   .set("y", lane_y)
                   .set("width", kRight - kLeft)
                   .set("height", height)
                   .set("fill", "#000")
                   .set("fill-opacity", "0.035"));
    }
    labels.add(page, kLeft - 8, lane_y + kLaneHeight / 2 + 4,
               lane_name(static_cast<PlotLane>(lane + 1)),
               {.size = 12, .fill = "#333", .anchor = TextAnchor::kEnd});
  }
  struct Marked {
    double x, y;
    std::string label;
  };
  std::vector<Marked> to_label;
  for (std::size_t c = 0; c < percorso.size(); ++c) {
    const cella& e = percorso[c];
    const CellKindInfo* kind = cell_kind(e.genere);
    if (kind == nullptr || kind->lane == PlotLane::kNone) continue;
    const double metres = metre_of(kind->placement, static_cast<std::int64_t>(c));
    if (!k.shown(metres)) continue;
    const double my = marker_y(kind->lane);
    svg::Element g("g");
    add_marker(g, kind->symbol, x(metres), my);
    g.title(element_tooltip(e, c, metres, k.data.oggetti));
    page.add(g);
    if (labelled_lane(kind->lane)) {
      labels.reserve({x(metres) - 7, my - 8, x(metres) + 7, my + 8});
      std::string label = element_label(e, k.data.oggetti);
      if (!label.empty()) to_label.push_back({x(metres), my, std::move(label)});
    }
  }
  // Each label right of its marker, left of it, or in the row below.
  labels.keep_within(Box{kLeft, lanes_top, kRight, bottom});
  const TextStyle lane_value{.size = kValueSize, .fill = "#333", .room = 5};
  for (const Marked& m : to_label) {
    const double below = m.y + kLaneHeight / 2 + 11;
    const std::array spots{
        Spot{m.x + 9, m.y + 4, TextAnchor::kStart}, Spot{m.x - 9, m.y + 4, TextAnchor::kEnd},
        Spot{m.x, below, TextAnchor::kMiddle}, Spot{m.x - 2, below, TextAnchor::kStart},
        Spot{m.x + 2, below, TextAnchor::kEnd}};
    labels.add(page, spots, m.label, lane_value);
  }

  // Values on the lines: the speed in force over each run of the speed
  // line, then the gradient of each run of its line, where the run is wide
  // enough to hold it; the longest runs first, as they matter most.
  const auto label_runs = [&](const std::vector<Run>& runs, auto y_of, const char* colour,
                              const char* unit) {
    std::vector<std::size_t> order(runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return runs[a].end - runs[a].start > runs[b].end - runs[b].start;
    });
    const TextStyle style{
        .size = kValueSize, .fill = colour, .anchor = TextAnchor::kMiddle, .room = 3};
    for (const std::size_t i : order) {
      const Run& r = runs[i];
      const std::string text = std::to_string(r.value) + unit;
      const double width = x(r.end) - x(r.start);
      if (width < estimated_text_width(text, kValueSize) + 6) continue;
      const double mid = (x(r.start) + x(r.end)) / 2;
      const double y = y_of(r.value);
      const std::array spots{Spot{mid, y - 4, TextAnchor::kMiddle},
                             Spot{mid, y + 13, TextAnchor::kMiddle}};
      labels.add(page, spots, text, style, LabelLook::kHalo);
    }
  };
  labels.keep_within(graph);
  label_runs(speeds, yv, kSpeedColour, "");
  label_runs(gradients, yg, kGradientColour, "\xE2\x80\xB0");
  labels.keep_within(std::nullopt);

  // Stations: a dashed line through graph and lanes, the name above. Names
  // of stations close together are spread apart, as near to their station as
  // the room allows, and joined to it by a short leader; a name that finds
  // no room is left out, and the line carries the name as a tooltip.
  std::vector<const PlotStation*> named;
  std::vector<double> anchors;
  for (const PlotStation& st : k.stations) {
    if (!k.shown(static_cast<double>(st.position))) continue;
    named.push_back(&st);
    anchors.push_back(x(static_cast<double>(st.position)));
  }
  // Slanted names stand apart by the height of a name across the slant.
  const Box upright = text_box(0, 0, "X", kNameSize, TextAnchor::kStart).box;
  const double gap =
      std::ceil((upright.y1 - upright.y0) / std::sin(kNameSlant * std::numbers::pi / 180));
  const std::vector<std::optional<double>> spread = spread_along_row(anchors, gap, kLeft, kRight);
  for (std::size_t i = 0; i < named.size(); ++i) {
    const PlotStation& st = *named[i];
    const std::string tooltip = st.name + " (" + km_text(st.position) + ")";
    bool written = false;
    if (spread[i]) {
      const Spot spot{*spread[i], graph_top - 20, TextAnchor::kStart, -kNameSlant};
      written = labels
                    .add(page, std::span<const Spot>(&spot, 1), st.name,
                         {.size = kNameSize, .fill = "#111"}, LabelLook::kPlain, tooltip)
                    .has_value();
    }
    svg::Path line;
    if (written)
      line.move_to(*spread[i], graph_top - 16).line_to(anchors[i], graph_top - 6);
    else
      line.move_to(anchors[i], graph_top - 6);
    line.vertical_to(bottom);
    page.add(svg::Element("path")
                 .set_path(line)
                 .set("fill", "none")
                 .set("stroke", "#555")
                 .set("stroke-width", 1)
                 .set("stroke-dasharray", "4 3")
                 .title(tooltip));
  }
  return bottom + 60 - top;
}

}  // namespace sb::plot

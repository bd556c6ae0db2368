// The page of the plot: its title, the order of its sections, the legend,
// and the helpers that every section uses to write texts. The plan, the
// profile and the time-distance graph draw themselves in plot_plan.cpp,
// plot_profile.cpp and plot_timetable.cpp.
#include "tools/plot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <system_error>
#include <utility>
#include <vector>

#include "compiler/cell_kinds.h"
#include "compiler/route_values.h"
#include "tools/plot_page.h"
#include "tools/text_encoding.h"

namespace sb {

namespace plot {

std::string readable_text(std::string_view testo) {
  const std::size_t first = testo.find_first_not_of(' ');
  if (first == std::string_view::npos) return "";
  testo = testo.substr(first, testo.find_last_not_of(' ') - first + 1);
  std::string s;
  for (const char ch : testo) {
    const char32_t c = cp1252_code_point(static_cast<unsigned char>(ch));
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      s += "\xEF\xBF\xBD";
    } else {
      s += utf8_from_cp1252(std::string_view(&ch, 1));
    }
  }
  return s;
}

std::string fixed_decimals(double v, int digits) {
  if (!std::isfinite(v)) return "?";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, digits);
  // A value too long for fixed notation (a corrupt plan's scale) is written
  // with an exponent instead.
  if (r.ec != std::errc{}) r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  if (s.find_first_not_of("-0.") == std::string::npos) s = s.substr(s[0] == '-' ? 1 : 0);
  return s;
}

std::string km_text(double metres) {
  return "km " + fixed_decimals(metres / 1000, 3);
}

double round_step(double span, double parts) {
  const double raw = span / parts;
  if (!(raw > 0) || !std::isfinite(raw)) return 1;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double r = raw / magnitude;
  return (r <= 1 ? 1 : r <= 2 ? 2 : r <= 5 ? 5 : 10) * magnitude;
}

int step_decimals(double step) {
  if (!(step > 0) || step >= 1) return 0;
  return std::min(6, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
}

svg::Element text_at(double x, double y, std::string_view content, const TextStyle& style) {
  svg::Element t("text");
  t.set("x", x).set("y", y).set("font-size", style.size);
  if (style.bold) t.set("font-weight", "bold");
  if (style.italic) t.set("font-style", "italic");
  if (style.anchor == TextAnchor::kMiddle) t.set("text-anchor", "middle");
  if (style.anchor == TextAnchor::kEnd) t.set("text-anchor", "end");
  t.set("fill", style.fill);
  t.text(content);
  return t;
}

namespace {

// The room around a text on a pale box.
constexpr double kBoxPad = 3;

}  // namespace

TurnedBox Labels::box_at(const Spot& spot, std::string_view content, const TextStyle& style) {
  return text_box(spot.x, spot.y, content, style.size, spot.anchor, style.bold, spot.degrees,
                  style.room);
}

std::optional<std::size_t> Labels::add(svg::Element& parent, std::span<const Spot> spots,
                                       std::string_view content, const TextStyle& style,
                                       LabelLook look, std::string_view tooltip) {
  if (content.empty()) return std::nullopt;
  std::vector<TurnedBox> boxes;
  for (const Spot& s : spots) {
    TurnedBox b = box_at(s, content, style);
    if (look == LabelLook::kBoxed) b.box = b.box.grown(kBoxPad - 1);
    // Outside the area it must keep to, a place is no place at all.
    if (area_ && !b.within(*area_)) b = TurnedBox(Box{-1e9, -1e9, -1e9, -1e9});
    boxes.push_back(b);
  }
  const std::optional<std::size_t> chosen = space_.place(boxes);
  if (!chosen) return std::nullopt;
  const Spot& at = spots[*chosen];
  if (look == LabelLook::kBoxed) {
    const Box& b = boxes[*chosen].box;
    parent.add(svg::Element("rect")
                   .set("x", b.x0)
                   .set("y", b.y0)
                   .set("width", b.x1 - b.x0)
                   .set("height", b.y1 - b.y0)
                   .set("rx", 3)
                   .set("fill", "#fff")
                   .set("fill-opacity", "0.85")
                   .set("stroke", "#ccc")
                   .set("stroke-width", 0.6));
  }
  TextStyle set = style;
  set.anchor = at.anchor;
  const auto text = [&] {
    svg::Element t = text_at(at.x, at.y, content, set);
    if (at.degrees != 0) t.set("transform", svg::rotate(at.degrees, at.x, at.y));
    return t;
  };
  if (look == LabelLook::kHalo) {
    parent.add(text().set("stroke", "#fff").set("stroke-width", 4).set("stroke-linejoin", "round"));
  }
  svg::Element t = text();
  if (!tooltip.empty()) t.title(tooltip);
  parent.add(t);
  return chosen;
}

bool Labels::add(svg::Element& parent, double x, double y, std::string_view content,
                 const TextStyle& style, LabelLook look, std::string_view tooltip) {
  const Spot spot{x, y, style.anchor};
  return add(parent, std::span<const Spot>(&spot, 1), content, style, look, tooltip).has_value();
}

void add_graph_frame(svg::Element& page, Labels& labels, const Box& frame) {
  page.add(svg::Element("rect")
               .set("x", frame.x0)
               .set("y", frame.y0)
               .set("width", frame.x1 - frame.x0)
               .set("height", frame.y1 - frame.y0)
               .set("fill", "#fcfcfc")
               .set("stroke", "#bbb"));
  reserve_frame_edges(labels, frame);
}

svg::Element graph_band(double x0, double x1, double top, double height, const char* fill,
                        const char* opacity) {
  return svg::Element("rect")
      .set("x", x0)
      .set("y", top)
      .set("width", std::max(1.0, x1 - x0))
      .set("height", height)
      .set("fill", fill)
      .set("fill-opacity", opacity);
}

void reserve_frame_edges(Labels& labels, const Box& f) {
  constexpr double c = kFrameClearance;
  labels.reserve({f.x0 - c, f.y0 - c, f.x1 + c, f.y0 + c});
  labels.reserve({f.x0 - c, f.y1 - c, f.x1 + c, f.y1 + c});
  labels.reserve({f.x0 - c, f.y0 - c, f.x0 + c, f.y1 + c});
  labels.reserve({f.x1 - c, f.y0 - c, f.x1 + c, f.y1 + c});
}

void add_section_heading(const PlotContext& k, svg::Element& page, double y,
                         std::string_view heading) {
  k.labels.add(page, kLeft, y, heading, {.size = 17, .fill = "#222", .bold = true});
}

namespace {

double draw_title(svg::Element& page, const PlotContext& k) {
  const std::string scenario = readable_text(k.data.oggetti.at(kScenarioItem).testo);
  const std::string train = readable_text(k.data.oggetti.at(kTrainItem).testo);
  k.labels.add(page, kLeft, 40,
               "Scenario " + (scenario.empty() ? "(no identifier)" : scenario) +
                   " \xE2\x80\x94 train " + (train.empty() ? "(no number)" : train),
               {.size = 26, .fill = "#111", .bold = true});
  std::string facts = "Line " + fixed_decimals(k.line_end / 1000, 3) + " km \xC2\xB7 " +
                      std::to_string(k.stations.size()) + " stations \xC2\xB7 route of " +
                      std::to_string(k.data.percorso.size()) + " cells of 50 m";
  if (k.data.from || k.data.to) {
    facts += " \xC2\xB7 drawn from " + km_text(k.axis_start) + " to " + km_text(k.axis_end);
  }
  k.labels.add(page, kLeft, 64, facts, {.size = 14, .fill = "#555"});
  return 84;
}

// The legend: the lines and shades of the views, then the marker of every
// kind of cell that has a lane, lane by lane as the profile shows them.
double draw_legend(svg::Element& page, const PlotContext& k, double top) {
  add_section_heading(k, page, top + 16, "Legend");
  using Sample = std::function<void(svg::Element&, double, double)>;
  const auto stroke = [](const char* colour, double width, const char* dashes = nullptr) {
    return [=](svg::Element& parent, double x, double y) {
      svg::Element line("path");
      line.set_path(svg::Path().move_to(x - 14, y).horizontal_to(x + 14))
          .set("stroke", colour)
          .set("stroke-width", width);
      if (dashes != nullptr) line.set("stroke-dasharray", dashes);
      parent.add(line);
    };
  };
  const auto swatch = [](const char* colour, const char* opacity) {
    return [=](svg::Element& parent, double x, double y) {
      parent.add(svg::Element("rect")
                     .set("x", x - 14)
                     .set("y", y - 8)
                     .set("width", 28)
                     .set("height", 16)
                     .set("fill", colour)
                     .set("fill-opacity", opacity));
    };
  };
  std::vector<std::pair<Sample, std::string>> entries = {
      {stroke(kGradientColour, 1.8), "Gradient (\xE2\x80\xB0), left axis"},
      {stroke(kSpeedColour, 2.2), "Speed limit (km/h), right axis"},
      {swatch(kSlowdownColour, "0.25"), "Slowdown: the limit it sets"},
      {swatch(kMountainColour, "0.30"), "Mountain span"},
      {swatch("#888", "0.25"), "Beyond the end of the line"},
      {stroke("#555", 1, "4 3"), "Station (named)"},
  };
  std::vector<CellKindInfo> kinds;
  for (const CellKindInfo& kind : cell_kind_table()) {
    if (kind.lane != PlotLane::kNone) kinds.push_back(kind);
  }
  std::stable_sort(kinds.begin(), kinds.end(),
                   [](const CellKindInfo& a, const CellKindInfo& b) { return a.lane < b.lane; });
  for (const CellKindInfo& kind : kinds) {
    entries.emplace_back([symbol = kind.symbol](svg::Element& parent, double x,
                                                double y) { add_marker(parent, symbol, x, y); },
                         kind_title(kind.genere));
  }

  constexpr int kColumns = 5;
  const double column_width = (kRight - kLeft) / kColumns;
  int i = 0;
  for (const auto& [sample, text] : entries) {
    const double x = kLeft + 16 + (i % kColumns) * column_width;
    const double y = top + 42 + (i / kColumns) * 28;
    sample(page, x, y);
    k.labels.add(page, x + 24, y + 4, text, {.size = 13, .fill = "#222"});
    ++i;
  }
  const int rows = (i + kColumns - 1) / kColumns;
  return 42 + rows * 28;
}

}  // namespace

}  // namespace plot

std::vector<PlotStation> plot_stations(const std::array<oggetto, kItemCount>& oggetti) {
  std::vector<PlotStation> stations;
  for (const Station& st : stations_of(oggetti)) {
    stations.push_back({static_cast<int>(st.item), plot::readable_text(st.name), st.position});
  }
  return stations;
}

double plot_line_end(const PlotData& d) {
  const double route_metres = static_cast<double>(d.percorso.size()) * kCellLength;
  const Long length = d.oggetti.at(kLineItem).valore_b;
  return (length > 0 && length <= route_metres) ? length : route_metres;
}

std::string draw_scenario(const PlotData& d) {
  using namespace plot;
  Labels labels(Box{kPageMargin, kPageMargin, kPageWidth - kPageMargin, 1e7});
  PlotContext k{d, plot_stations(d.oggetti), labels};
  const double route_metres = static_cast<double>(d.percorso.size()) * kCellLength;
  k.line_end = plot_line_end(d);
  // The x axis covers the line, and also any element or station coded beyond
  // its end, which an author will want to see.
  k.axis_end = k.line_end;
  for (std::size_t c = 0; c < d.percorso.size(); ++c) {
    const CellKindInfo* kind = cell_kind(d.percorso[c].genere);
    if (kind != nullptr && kind->lane != PlotLane::kNone) {
      k.axis_end = std::max(k.axis_end, metre_of(kind->placement, static_cast<std::int64_t>(c)));
    }
  }
  for (const PlotStation& st : k.stations) {
    if (st.position <= route_metres) {
      k.axis_end = std::max(k.axis_end, static_cast<double>(st.position));
    }
  }
  if (!(k.axis_end > 0)) k.axis_end = 1000;
  // A stretch, when one is asked for, within what the axis would show.
  const double from = d.from.value_or(0);
  const double to = d.to.value_or(k.axis_end);
  if (std::isfinite(from) && std::isfinite(to) && from >= 0 && from < to && (d.from || d.to)) {
    k.axis_start = from;
    k.axis_end = to;
  }
  k.km_step = round_step((k.axis_end - k.axis_start) / 1000, 16);

  svg::Element page("svg");
  page.set("xmlns", "http://www.w3.org/2000/svg")
      .set("version", "1.1")
      .set("width", kPageWidth)
      .set("height", 0)
      .set("viewBox", "")
      .set("font-family", "DejaVu Sans, Verdana, Arial, sans-serif");
  page.text("\n");
  page.title(readable_text(d.oggetti.at(kScenarioItem).testo) + " " +
             readable_text(d.oggetti.at(kTrainItem).testo));
  page.text("\n");
  page.add(svg::Element("rect").set("width", "100%").set("height", "100%").set("fill", "#fff"));
  page.text("\n");
  double y = draw_title(page, k);
  y += draw_plan(page, k, y);
  y += draw_profile(page, k, y);
  y += draw_timetable_graph(page, k, y);
  y += draw_legend(page, k, y);
  y += 16;
  page.text("\n");
  // The height is known only now; the attributes keep their places.
  page.set("height", y).set("viewBox", "0 0 " + svg::number(kPageWidth) + " " + svg::number(y));
  return svg::document(page);
}

}  // namespace sb

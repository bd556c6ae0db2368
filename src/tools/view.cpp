#include "tools/view.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <utility>

#include "compiler/cell_kinds.h"
#include "compiler/route_values.h"
#include "tools/route_reading.h"
#include "tools/text_encoding.h"
#include "tools/timetable_graph.h"
#include "view_page_assets.h"

namespace sb {

namespace {

using json = nlohmann::json;

// The outline keeps the plan within half a metre: at the closest zoom the
// page allows (a few hundred metres across) that is about a pixel.
constexpr double kPlanTolerance = 0.5;
// The outline is simplified in pieces of this many metres, which bounds the
// work on any plan, however tangled.
constexpr std::size_t kOutlinePiece = 1000;
// Coordinates beyond this many metres from the origin belong to no plan a
// compiler can make; such a point is left out like an empty one.
constexpr double kFarthestCoordinate = 1e8;

// A text of the item table, trimmed of its padding spaces, in UTF-8.
std::string readable(std::string_view testo) {
  const std::size_t first = testo.find_first_not_of(' ');
  if (first == std::string_view::npos) return "";
  return utf8_from_cp1252(testo.substr(first, testo.find_last_not_of(' ') - first + 1));
}

std::int64_t whole(double v) {
  return static_cast<std::int64_t>(std::llround(v));
}

// "2 min 21 s", rounded up to the second, as the check words a bound.
std::string duration_text(double seconds) {
  const auto s = static_cast<std::int64_t>(std::ceil(seconds));
  return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
}

// The metres where a running value of the cells changes, with the value from
// there on: [metre, value, metre, value, ...], the first at 0.
template <typename Value>
json runs_of(const std::vector<cella>& percorso, Value value) {
  json runs = json::array();
  for (std::size_t i = 0; i < percorso.size(); ++i) {
    const int v = value(percorso[i]);
    if (i == 0 || v != value(percorso[i - 1])) {
      runs.push_back(static_cast<std::int64_t>(i) * kCellLength);
      runs.push_back(v);
    }
  }
  return runs;
}

// The mountain spans as the cells carry them: [start, end, kind, ...].
json mountain_spans(const std::vector<cella>& percorso) {
  json spans = json::array();
  for (std::size_t i = 0; i < percorso.size();) {
    const Byte kind = percorso[i].montagna;
    std::size_t j = i + 1;
    while (j < percorso.size() && percorso[j].montagna == kind) ++j;
    if (kind != 0) {
      spans.push_back(static_cast<std::int64_t>(i) * kCellLength);
      spans.push_back(static_cast<std::int64_t>(j) * kCellLength);
      spans.push_back(kind);
    }
    i = j;
  }
  return spans;
}

// The kinds of the table, then any kind the cells hold that the compiler
// never writes; and the elements, each [cell, metre, kind, "12+350", values], the
// values an index into a list of the distinct value lists, which repeat
// along a line (signals and boards are mostly alike).
void add_elements(const ViewData& d, json& page) {
  json kinds = json::array();
  std::map<Byte, std::size_t> kind_index;
  const auto add_kind = [&](Byte genere, const std::string& name, const std::string& title,
                            int lane, int symbol) {
    kind_index[genere] = kinds.size();
    kinds.push_back({genere, name, title, lane, symbol});
  };
  for (const CellKindInfo& k : cell_kind_table()) {
    if (k.genere == kFree) continue;
    add_kind(k.genere, std::string(k.name), kind_title(k.genere), static_cast<int>(k.lane),
             static_cast<int>(k.symbol));
  }
  json lanes = json::array();
  for (int lane = 1; lane <= kPlotLaneCount; ++lane)
    lanes.push_back(std::string(lane_name(static_cast<PlotLane>(lane))));

  json elements = json::array();
  json value_lists = json::array();
  std::map<std::string, std::size_t> value_index;
  for (std::size_t i = 0; i < d.percorso.size(); ++i) {
    const cella& c = d.percorso[i];
    if (c.genere == kFree) continue;
    if (!kind_index.count(c.genere)) {
      add_kind(c.genere, "kind " + std::to_string(c.genere), kind_title(c.genere), 0, 0);
    }
    json values = json::array();
    std::string key;
    for (const DecodedValue& v : element_values(c, &d.oggetti)) {
      values.push_back({v.name, v.text});
      key += v.name + '\x1F' + v.text + '\x1E';
    }
    const auto [at, added] = value_index.try_emplace(key, value_lists.size());
    if (added) value_lists.push_back(std::move(values));
    const double metre = cell_metre(c, i);
    elements.push_back(i);
    elements.push_back(whole(metre));
    elements.push_back(kind_index[c.genere]);
    elements.push_back(kilometre_text(metre));
    elements.push_back(at->second);
  }
  page["kinds"] = std::move(kinds);
  page["lanes"] = std::move(lanes);
  page["elements"] = std::move(elements);
  page["values"] = std::move(value_lists);
}

void add_timetable(const ViewData& d, json& page) {
  const TimetableGraph g = timetable_graph(d.percorso, d.oggetti);
  json stops = json::array();
  for (const TimetableStop& s : g.stops) {
    stops.push_back({whole(s.metre), whole(s.seconds), readable(s.name), kilometre_text(s.metre),
                     clock_text(whole(s.seconds))});
  }
  json stretches = json::array();
  for (const TimetableStretch& s : g.stretches) {
    json run = json::array();
    for (const TimePoint& p : s.fastest_run) {
      run.push_back(whole(p.metre));
      run.push_back(whole(p.seconds * 10));  // tenths of a second
    }
    std::string text = "the timetable gives " + duration_text(s.scheduled);
    text += s.fastest ? "; the speed limits need at least " + duration_text(*s.fastest)
                      : "; the speed limits give no bound (a cell on the way has no limit)";
    stretches.push_back({s.from, s.too_fast(), std::move(text), std::move(run)});
  }
  page["stops"] = std::move(stops);
  page["stretches"] = std::move(stretches);
}

void add_plan(const ViewData& d, json& page) {
  if (!d.plan_x || !d.plan_y) {
    page["plan"] = nullptr;
    page["plan_note"] = d.plan_note;
    return;
  }
  const std::vector<TrackValue>& x = *d.plan_x;
  const std::vector<TrackValue>& y = *d.plan_y;
  // Each run as [m, x, y, dm, dx, dy, ...]: its first point, then each kept
  // point as the step from the one before, coordinates in decimetres.
  json runs = json::array();
  for (const std::vector<std::size_t>& kept : plan_outline(x, y, kPlanTolerance)) {
    json run = json::array();
    std::int64_t m0 = 0, x0 = 0, y0 = 0;
    for (const std::size_t m : kept) {
      const auto mi = static_cast<std::int64_t>(m);
      const std::int64_t xi = whole(x[m].value * 10);
      const std::int64_t yi = whole(y[m].value * 10);
      run.push_back(mi - m0);
      run.push_back(xi - x0);
      run.push_back(yi - y0);
      m0 = mi;
      x0 = xi;
      y0 = yi;
    }
    runs.push_back(std::move(run));
  }
  if (runs.empty()) {
    page["plan"] = nullptr;
    page["plan_note"] = "The track plan holds no points.";
    return;
  }
  page["plan"] = std::move(runs);
  page["plan_note"] = "";
}

std::string html_escaped(std::string_view s) {
  std::string out;
  for (const char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The template with each placeholder replaced, in one pass over the
// template, so that nothing inserted is looked at again.
std::string filled(std::string_view page,
                   const std::vector<std::pair<std::string_view, std::string_view>>& parts) {
  std::string out;
  std::size_t at = 0;
  while (true) {
    std::size_t next = std::string_view::npos;
    const std::pair<std::string_view, std::string_view>* which = nullptr;
    for (const auto& part : parts) {
      const std::size_t p = page.find(part.first, at);
      if (p < next) {
        next = p;
        which = &part;
      }
    }
    if (which == nullptr) break;
    out += page.substr(at, next - at);
    out += which->second;
    at = next + which->first.size();
  }
  out += page.substr(at);
  return out;
}

}  // namespace

std::vector<std::vector<std::size_t>> plan_outline(const std::vector<TrackValue>& x,
                                                   const std::vector<TrackValue>& y,
                                                   double tolerance) {
  const std::size_t points = std::min(x.size(), y.size());
  const auto usable = [&](std::size_t m) {
    return x[m].type != TrackValueType::kEmpty && y[m].type != TrackValueType::kEmpty &&
           std::abs(x[m].value) <= kFarthestCoordinate &&
           std::abs(y[m].value) <= kFarthestCoordinate;  // false for NaN as well
  };
  // The distance of point k from the segment between points i and j.
  const auto distance = [&](std::size_t i, std::size_t j, std::size_t k) {
    const double ax = x[i].value, ay = y[i].value;
    const double dx = x[j].value - ax, dy = y[j].value - ay;
    const double px = x[k].value - ax, py = y[k].value - ay;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? (px * dx + py * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - t * dx, py - t * dy);
  };

  std::vector<std::vector<std::size_t>> runs;
  std::vector<char> keep;
  std::vector<std::pair<std::size_t, std::size_t>> pending;
  for (std::size_t m = 0; m < points;) {
    if (!usable(m)) {
      ++m;
      continue;
    }
    std::size_t end = m;
    while (end + 1 < points && usable(end + 1)) ++end;
    // Douglas-Peucker within each piece: split a stretch at its point
    // farthest from the chord while that point lies beyond the tolerance.
    keep.assign(end - m + 1, 0);
    for (std::size_t a = m; a < end; a += kOutlinePiece) {
      pending.push_back({a, std::min(end, a + kOutlinePiece)});
    }
    keep[0] = keep[end - m] = 1;
    while (!pending.empty()) {
      const auto [i, j] = pending.back();
      pending.pop_back();
      keep[i - m] = keep[j - m] = 1;
      double farthest = 0;
      std::size_t at = i;
      for (std::size_t k = i + 1; k < j; ++k) {
        const double dk = distance(i, j, k);
        if (dk > farthest) {
          farthest = dk;
          at = k;
        }
      }
      if (farthest > tolerance) {
        pending.push_back({at, j});
        pending.push_back({i, at});
      }
    }
    std::vector<std::size_t> kept;
    for (std::size_t k = m; k <= end; ++k)
      if (keep[k - m]) kept.push_back(k);
    runs.push_back(std::move(kept));
    m = end + 1;
  }
  return runs;
}

std::string script_safe_json(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '<') {
      out += "\\u003c";
    } else {
      out += c;
    }
  }
  return out;
}

std::string view_page(const ViewData& d) {
  json page;
  const double route_metres = static_cast<double>(d.percorso.size()) * kCellLength;
  const Long length = d.oggetti[kLineItem].valore_b;
  const std::string scenario = readable(d.oggetti[kScenarioItem].testo);
  const std::string train = readable(d.oggetti[kTrainItem].testo);
  page["scenario"] = scenario;
  page["train"] = train;
  page["source"] = d.source;
  page["line_end"] = length > 0 && length <= route_metres ? length : whole(route_metres);
  page["route_end"] = whole(route_metres);
  page["speed"] = runs_of(d.percorso, [](const cella& c) { return speed_limit_kmh(c); });
  page["gradient"] = runs_of(d.percorso, [](const cella& c) { return gradient_per_mille(c); });
  page["adhesion"] = runs_of(d.percorso, [](const cella& c) { return int{c.aderenza}; });
  page["mountains"] = mountain_spans(d.percorso);
  add_elements(d, page);
  json stations = json::array();
  for (const Station& s : stations_of(d.oggetti)) {
    stations.push_back({readable(s.name), s.position, kilometre_text(s.position),
                        s.time != 0 ? clock_text(s.time) : ""});
  }
  page["stations"] = std::move(stations);
  add_timetable(d, page);
  add_plan(d, page);

  const std::string data =
      script_safe_json(page.dump(-1, ' ', false, json::error_handler_t::replace));
  const std::string title =
      html_escaped("Scenario " + (scenario.empty() ? std::string("(no identifier)") : scenario) +
                   " \u2014 train " + (train.empty() ? std::string("(no number)") : train));
  return filled(view_page_assets::kHtml, {{"/*@STYLE@*/", view_page_assets::kCss},
                                          {"/*@SCRIPT@*/", view_page_assets::kJs},
                                          {"@DATA@", data},
                                          {"@TITLE@", title}});
}

}  // namespace sb

#include "tools/diff.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "compiler/cell_kinds.h"
#include "compiler/compiled_files.h"
#include "compiler/route_values.h"
#include "tools/route_reading.h"
#include "tools/text_encoding.h"

namespace sb {

namespace {

std::string km(double metres) {
  return kilometre_text(metres);
}

std::string utf8(std::string_view cp1252) {
  return utf8_from_cp1252(cp1252);
}

// Runs of cells over which a decoded value differs between a and b with the
// same pair of values: "speed limit 95 → 80 km/h from 12+300 to 14+000".
void compare_runs(const std::vector<cella>& a, const std::vector<cella>& b, std::size_t cells,
                  const char* topic, const char* what, const char* unit,
                  const std::function<int(const cella&)>& value, std::vector<Difference>& out) {
  std::size_t i = 0;
  while (i < cells) {
    const int va = value(a[i]);
    const int vb = value(b[i]);
    if (va == vb) {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < cells && value(a[j]) == va && value(b[j]) == vb) ++j;
    const double from = static_cast<double>(i) * kCellLength;
    const double to = static_cast<double>(j) * kCellLength;
    out.push_back({topic,
                   std::string(what) + " " + std::to_string(va) + " \u2192 " + std::to_string(vb) +
                       unit + " from " + km(from) + " to " + km(to),
                   from});
    i = j;
  }
}

// The values of an element that say what it is: its approach code and
// mountain kind belong to the cells around, and its item number to the
// order of the item table, not to the element.
std::vector<DecodedValue> values_of(const cella& c,
                                    const std::array<oggetto, kItemCount>& oggetti) {
  std::vector<DecodedValue> v = element_values(c, &oggetti);
  std::erase_if(v, [](const DecodedValue& d) {
    return d.name == "avviso" || d.name == "montagna" || d.name == "item";
  });
  return v;
}

std::string worded(const std::vector<DecodedValue>& values) {
  std::string s;
  for (const DecodedValue& v : values) s += (s.empty() ? "" : ", ") + v.name + " " + v.text;
  return s;
}

// "s1 2 → 3": the values of the same name that differ, and those that only
// one of the two has.
std::string changed_values(const std::vector<DecodedValue>& a, const std::vector<DecodedValue>& b) {
  std::string s;
  const auto add = [&](const std::string& part) { s += (s.empty() ? "" : ", ") + part; };
  for (const DecodedValue& x : a) {
    const auto y =
        std::find_if(b.begin(), b.end(), [&](const DecodedValue& v) { return v.name == x.name; });
    if (y == b.end()) {
      add(x.name + " " + x.text + " \u2192 none");
    } else if (y->text != x.text) {
      add(x.name + " " + x.text + " \u2192 " + y->text);
    }
  }
  for (const DecodedValue& y : b) {
    const bool in_a =
        std::any_of(a.begin(), a.end(), [&](const DecodedValue& v) { return v.name == y.name; });
    if (!in_a) add(y.name + " none \u2192 " + y.text);
  }
  return s;
}

using Elements = std::map<std::pair<double, Byte>, std::vector<DecodedValue>>;

// The elements of a route by metre and kind, the station ends and the
// mountain marks left out (stations and spans are compared on their own).
Elements elements_of(const CompiledScenario& s) {
  Elements e;
  for (std::size_t i = 0; i < s.percorso.size(); ++i) {
    const cella& c = s.percorso[i];
    if (c.genere == kFree || c.genere == kMountainMark || c.genere == kStationEnd) continue;
    e[{cell_metre(c, i), c.genere}] = values_of(c, s.oggetti);
  }
  return e;
}

std::string kind_name(Byte genere) {
  const CellKindInfo* k = cell_kind(genere);
  return k == nullptr ? "element of kind " + std::to_string(genere) : std::string(k->name);
}

void compare_elements(const CompiledScenario& a, const CompiledScenario& b,
                      std::vector<Difference>& out) {
  const Elements ea = elements_of(a);
  const Elements eb = elements_of(b);
  auto ia = ea.begin();
  auto ib = eb.begin();
  while (ia != ea.end() || ib != eb.end()) {
    const bool take_a = ib == eb.end() || (ia != ea.end() && ia->first < ib->first);
    const bool take_b = ia == ea.end() || (ib != eb.end() && ib->first < ia->first);
    if (take_a) {
      const auto [metre, genere] = ia->first;
      out.push_back({"element", kind_name(genere) + " removed at " + km(metre), metre});
      ++ia;
    } else if (take_b) {
      const auto [metre, genere] = ib->first;
      const std::string values = worded(ib->second);
      out.push_back({"element",
                     kind_name(genere) + " added at " + km(metre) +
                         (values.empty() ? "" : " (" + values + ")"),
                     metre});
      ++ib;
    } else {
      const std::string changes = changed_values(ia->second, ib->second);
      if (!changes.empty()) {
        const auto [metre, genere] = ia->first;
        out.push_back({"element", kind_name(genere) + " at " + km(metre) + ": " + changes, metre});
      }
      ++ia;
      ++ib;
    }
  }
}

// A text in quotes, in UTF-8. Built by appending: GCC 12's restrict check
// misreads "\"" + text in a release build.
std::string quoted_text(std::string_view cp1252) {
  std::string s = "\"";
  s += utf8(cp1252);
  s += '"';
  return s;
}

// The fields of two items that differ, "valore_b 162000 → 163000".
std::string field_changes(const oggetto& a, const oggetto& b, std::string_view skip = "") {
  std::vector<std::string> parts;
  std::vector<std::string> va;
  visit_fields(a, [&](std::string_view, const auto& v) {
    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, Text>) {
      va.push_back(quoted_text(v));
    } else {
      va.push_back(std::to_string(v));
    }
  });
  std::size_t i = 0;
  visit_fields(b, [&](std::string_view name, const auto& v) {
    std::string vb;
    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, Text>) {
      vb = quoted_text(v);
    } else {
      vb = std::to_string(v);
    }
    if (vb != va[i] && name != skip)
      parts.push_back(std::string(name) + " " + va[i] + " \u2192 " + vb);
    ++i;
  });
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : ", ") + p;
  return s;
}

void compare_stations(const CompiledScenario& a, const CompiledScenario& b,
                      std::vector<Difference>& out) {
  const std::vector<Station> sa = stations_of(a.oggetti);
  const std::vector<Station> sb_ = stations_of(b.oggetti);
  std::vector<bool> matched(sb_.size(), false);
  for (const Station& x : sa) {
    const auto it = std::find_if(sb_.begin(), sb_.end(), [&](const Station& y) {
      return y.name == x.name && !matched[static_cast<std::size_t>(&y - sb_.data())];
    });
    const std::string name = utf8(x.name);
    if (it == sb_.end()) {
      out.push_back({"station", "station " + name + " removed (was at " + km(x.position) + ")",
                     static_cast<double>(x.position)});
      continue;
    }
    matched[static_cast<std::size_t>(it - sb_.begin())] = true;
    if (it->position != x.position) {
      out.push_back(
          {"station",
           "station " + name + " moved from " + km(x.position) + " to " + km(it->position),
           static_cast<double>(x.position)});
    }
    if (it->time != x.time) {
      out.push_back(
          {"station",
           "station " + name + " time " + clock_text(x.time) + " \u2192 " + clock_text(it->time),
           static_cast<double>(it->position)});
    }
    oggetto oa = a.oggetti[x.item];
    oggetto ob = b.oggetti[it->item];
    // The area moves with the station: only a change of its size is news.
    const Long shift = ob.valore_c - oa.valore_c;
    if (ob.valore_a - oa.valore_a == shift && ob.valore_b - oa.valore_b == shift) {
      oa.valore_a = ob.valore_a;
      oa.valore_b = ob.valore_b;
    }
    oa.valore_c = ob.valore_c;
    oa.valore_d = ob.valore_d;
    oa.testo = ob.testo;
    const std::string rest = field_changes(oa, ob);
    if (!rest.empty()) {
      out.push_back(
          {"station", "station " + name + ": " + rest, static_cast<double>(it->position)});
    }
  }
  for (std::size_t i = 0; i < sb_.size(); ++i) {
    if (matched[i]) continue;
    out.push_back({"station", "station " + utf8(sb_[i].name) + " added at " + km(sb_[i].position),
                   static_cast<double>(sb_[i].position)});
  }
}

const char* item_role(std::size_t i) {
  if (i >= kReferenceItemA && i <= kReferenceItemC) return "kilometric reference";
  if (i == kLineItem) return "line and train";
  if (i == kScenarioItem) return "scenario";
  if (i == kTrainItem) return "train";
  return "item";
}

// The track plan: from which metre the points differ, and by how much at most.
void compare_track_plans(const CompiledScenario& a, const CompiledScenario& b,
                         std::vector<Difference>& out) {
  if (a.track_plan == b.track_plan) return;
  if (!a.track_plan || !b.track_plan) {
    out.push_back({"track_plan", a.track_plan ? "track plan removed" : "track plan added", {}});
    return;
  }
  std::vector<TrackValue> xa, ya, xb, yb;
  FormatError e;
  if (!decode_track_plan(*a.track_plan, &xa, &ya, &e) ||
      !decode_track_plan(*b.track_plan, &xb, &yb, &e)) {
    out.push_back({"track_plan", "track plan differs (one of them does not decode)", {}});
    return;
  }
  const std::size_t n = std::min(xa.size(), xb.size());
  std::optional<std::size_t> first;
  double most = 0;
  for (std::size_t m = 0; m < n; ++m) {
    if (xa[m] == xb[m] && ya[m] == yb[m]) continue;
    if (!first) first = m;
    const double d = std::hypot(xa[m].value - xb[m].value, ya[m].value - yb[m].value);
    if (std::isfinite(d)) most = std::max(most, d);
  }
  if (!first && xa.size() != xb.size()) first = n;
  if (!first) return;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", most);
  std::string metre = std::to_string(*first);
  if (metre.size() > 3) metre.insert(metre.size() - 3, " ");
  std::string s = "track plan differs from metre " + metre + " on, up to " + buf + " m apart";
  if (xa.size() != xb.size()) {
    s += "; it has " + std::to_string(xa.size()) + " points, then " + std::to_string(xb.size());
  }
  out.push_back({"track_plan", s, static_cast<double>(*first)});
}

}  // namespace

std::vector<Difference> compare_scenarios(const CompiledScenario& a, const CompiledScenario& b) {
  std::vector<Difference> out;
  // Equal records say nothing, however many: only the track plan is left.
  if (a.percorso == b.percorso && a.oggetti == b.oggetti) {
    compare_track_plans(a, b, out);
    return out;
  }
  compare_stations(a, b, out);

  const std::size_t cells = std::min(a.percorso.size(), b.percorso.size());
  compare_runs(a.percorso, b.percorso, cells, "speed", "speed limit", " km/h", speed_limit_kmh,
               out);
  compare_runs(a.percorso, b.percorso, cells, "gradient", "gradient", " \u2030", gradient_per_mille,
               out);
  compare_runs(
      a.percorso, b.percorso, cells, "adhesion", "adhesion", "",
      [](const cella& c) { return int{c.aderenza}; }, out);
  compare_runs(
      a.percorso, b.percorso, cells, "mountain", "mountain kind", "",
      [](const cella& c) { return int{c.montagna}; }, out);
  compare_elements(a, b, out);
  // Approach codes follow the signals and stations: said only when nothing
  // else explains them.
  if (out.empty()) {
    compare_runs(
        a.percorso, b.percorso, cells, "approach", "approach code", "",
        [](const cella& c) { return int{c.avviso}; }, out);
  }
  if (a.percorso.size() != b.percorso.size()) {
    out.push_back({"route",
                   "the route has " + std::to_string(a.percorso.size()) + " cells, then " +
                       std::to_string(b.percorso.size()),
                   static_cast<double>(cells) * kCellLength});
  }

  compare_track_plans(a, b, out);

  // Items 81 to 86, the check code aside.
  for (std::size_t i = kReferenceItemA; i < kItemCount; ++i) {
    const std::string changes =
        field_changes(a.oggetti[i], b.oggetti[i], i == kScenarioItem ? "valore_d" : "");
    if (!changes.empty()) {
      out.push_back({"item",
                     std::string(item_role(i)) + " (item " + std::to_string(i) + "): " + changes,
                     {}});
    }
  }
  const bool route_code_differs =
      a.percorso.size() > 1 && b.percorso.size() > 1 && a.percorso[1].dato2 != b.percorso[1].dato2;
  if (route_code_differs ||
      a.oggetti[kScenarioItem].valore_d != b.oggetti[kScenarioItem].valore_d) {
    out.push_back({"check_codes", "check codes differ", {}});
  }

  // Whatever else differs in the cells (a free cell's values, such as the
  // fixed value of cell 1) is still said, so that two scenarios that differ
  // are never called the same.
  if (out.empty()) {
    for (std::size_t i = 0; i < cells; ++i) {
      if (a.percorso[i] == b.percorso[i]) continue;
      out.push_back({"route",
                     "cell " + std::to_string(i) + " at " +
                         km(static_cast<double>(i) * kCellLength) + " differs",
                     static_cast<double>(i) * kCellLength});
      break;
    }
    for (std::size_t i = 0; i < kReferenceItemA && out.empty(); ++i) {
      if (a.oggetti[i] == b.oggetti[i]) continue;
      out.push_back({"item",
                     "item " + std::to_string(i) + ": " + field_changes(a.oggetti[i], b.oggetti[i]),
                     {}});
    }
  }
  return out;
}

std::string differences_text(const std::vector<Difference>& d) {
  std::string s;
  for (const Difference& x : d) s += x.text + "\n";
  return s;
}

std::string differences_json(const std::vector<Difference>& d) {
  nlohmann::json j;
  j["same"] = d.empty();
  j["differences"] = nlohmann::json::array();
  for (const Difference& x : d) {
    nlohmann::json e = {{"topic", x.topic}, {"text", x.text}};
    e["metre"] = x.metre ? nlohmann::json(*x.metre) : nlohmann::json(nullptr);
    j["differences"].push_back(e);
  }
  return j.dump(2) + "\n";
}

}  // namespace sb

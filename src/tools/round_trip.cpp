#include "tools/round_trip.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>

#include "compiler/error_codes.h"
#include "compiler/memory_sources.h"
#include "compiler/route_values.h"
#include "tools/dump.h"

namespace sb {

namespace {

// The records listed one by one; the rest are counted.
constexpr std::size_t kListedRecords = 20;
// The differences one comment names; the rest are counted.
constexpr std::size_t kNamedInComment = 3;

// The fields of two records that differ, each as name, value in a and value
// in b.
struct FieldChange {
  std::string name;
  std::string a;
  std::string b;
};

template <typename Record>
std::vector<FieldChange> changed_fields(const Record& a, const Record& b) {
  std::vector<std::string> names, va;
  visit_fields(a, [&](std::string_view name, const auto& v) {
    names.emplace_back(name);
    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, Text>) {
      va.push_back("\"" + v + "\"");
    } else {
      va.push_back(std::to_string(v));
    }
  });
  std::vector<FieldChange> out;
  std::size_t i = 0;
  visit_fields(b, [&](std::string_view, const auto& v) {
    std::string vb;
    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, Text>) {
      vb = "\"" + v + "\"";
    } else {
      vb = std::to_string(v);
    }
    if (vb != va[i]) out.push_back({names[i], va[i], vb});
    ++i;
  });
  return out;
}

std::string worded(const std::vector<FieldChange>& changes) {
  std::string s;
  for (const FieldChange& c : changes)
    s += (s.empty() ? "" : ", ") + c.name + " " + c.a + " \u2192 " + c.b;
  return s;
}

// The comments of the round trip, gathered row by row.
class Annotations {
 public:
  explicit Annotations(Decompiled& d) : d_(d) {}

  void at_cell(std::size_t cell, const std::string& what) {
    DecompiledRow* best = nullptr;
    std::int64_t best_span = std::numeric_limits<std::int64_t>::max();
    std::int64_t best_distance = std::numeric_limits<std::int64_t>::max();
    const auto c = static_cast<std::int64_t>(cell);
    for (DecompiledSource* s : {&d_.line, &d_.train}) {
      for (DecompiledRow& r : s->rows) {
        if (r.origin.first_cell < 0) continue;
        const std::int64_t distance = c < r.origin.first_cell
                                          ? r.origin.first_cell - c
                                          : (c > r.origin.last_cell ? c - r.origin.last_cell : 0);
        const std::int64_t span = r.origin.last_cell - r.origin.first_cell;
        if (distance < best_distance || (distance == best_distance && span < best_span)) {
          best = &r;
          best_distance = distance;
          best_span = span;
        }
      }
    }
    add(best != nullptr ? best : fallback(), what);
  }

  void at_item(std::size_t item, const std::vector<FieldChange>& changes) {
    for (const FieldChange& f : changes) {
      DecompiledRow* row = nullptr;
      for (DecompiledSource* s : {&d_.line, &d_.train}) {
        for (DecompiledRow& r : s->rows) {
          if (row != nullptr || r.origin.item != item) continue;
          const auto& fields = r.origin.item_fields;
          if (fields.empty() || std::find(fields.begin(), fields.end(), f.name) != fields.end())
            row = &r;
        }
      }
      add(row != nullptr ? row : fallback(), "item " + std::to_string(item) + " " + f.name +
                                                 " is " + f.a + " in the compiled files and " +
                                                 f.b + " from these sources");
    }
  }

  void at_metre(Long metre, const std::string& what) {
    DecompiledRow* best = nullptr;
    DecompiledRow* header = nullptr;
    for (DecompiledRow& r : d_.line.rows) {
      if (r.origin.first_metre < 0) {
        if (header == nullptr && r.text == section_headers(Source::kLine)[1]) header = &r;
        continue;
      }
      // The curve that covers the metre, else the last one before it.
      if (r.origin.first_metre <= metre) best = &r;
    }
    add(best != nullptr ? best : (header != nullptr ? header : fallback()), what);
  }

  void at_line(Source source, int line, const std::string& what) {
    DecompiledSource& s = source == Source::kLine ? d_.line : d_.train;
    if (line >= 1 && static_cast<std::size_t>(line) <= s.rows.size()) {
      add(&s.rows[static_cast<std::size_t>(line - 1)], what);
    } else {
      add(fallback(), what);
    }
  }

  // One comment per row: its own doubt, then what differs there.
  void write() {
    for (auto& [row, whats] : pending_) {
      std::string text = "doubtful";
      if (!row->doubt.empty()) text += " (" + row->doubt + ")";
      text += ": ";
      for (std::size_t i = 0; i < whats.size() && i < kNamedInComment; ++i)
        text += (i ? "; " : "") + whats[i];
      if (whats.size() > kNamedInComment)
        text += "; and " + std::to_string(whats.size() - kNamedInComment) + " more";
      row->comments.push_back(comment_line(text));
    }
  }

 private:
  // The first row after the line source's [generale] header.
  DecompiledRow* fallback() { return &d_.line.rows.at(1); }

  void add(DecompiledRow* row, const std::string& what) {
    auto it = std::find_if(pending_.begin(), pending_.end(),
                           [&](const auto& p) { return p.first == row; });
    if (it == pending_.end()) {
      pending_.push_back({row, {}});
      it = pending_.end() - 1;
    }
    it->second.push_back(what);
  }

  Decompiled& d_;
  std::vector<std::pair<DecompiledRow*, std::vector<std::string>>> pending_;
};

// Whether the track plan of the model is exactly these bytes, compared
// piece by piece as the serialiser hands them over, without holding the
// plan's bytes.
bool same_track_plan(const TrackPlan& plan, std::string_view bytes) {
  if (!plan.allocated()) return false;
  if (track_plan_size(plan) != bytes.size()) return false;
  bool same = true;
  serialize_track_plan(plan, [&](std::uint64_t position, std::string_view piece) {
    if (!same) return;
    if (position > bytes.size() || piece.size() > bytes.size() - position ||
        std::memcmp(bytes.data() + position, piece.data(), piece.size()) != 0)
      same = false;
  });
  return same;
}

std::string cell_place(std::size_t c) {
  return "cell " + std::to_string(c) + " (km " +
         kilometre_text(static_cast<double>(c) * kCellLength) + ")";
}

}  // namespace

bool round_trip(const CompiledBytes& compiled, RoundTrip* out, RefusedFile* refused) {
  CompiledScenario original;
  FormatError e;
  if (!decode_route_file(compiled.route, &original.percorso, &e)) {
    *refused = {CompiledFileKind::kRoute, e};
    return false;
  }
  if (!decode_items(compiled.items, &original.oggetti, &e)) {
    *refused = {CompiledFileKind::kItems, e};
    return false;
  }

  RoundTrip& t = *out;
  t = RoundTrip{};
  t.sources = decompile(original.percorso, original.oggetti, compiled.track_plan);
  // The decompiler reads the track plan through once; only a plan it could
  // not read is given to the decoder's check, for the place of the fault.
  if (compiled.track_plan && !t.sources.track_plan_read &&
      !track_plan_is_well_formed(*compiled.track_plan, &e)) {
    *refused = {CompiledFileKind::kTrackPlan, e};
    return false;
  }

  // The sources compiled as `compile` compiles them, in memory.
  const std::string line = t.sources.line.text();
  const std::string train = t.sources.train.text();
  RouteModel m;
  m.scenario = t.sources.scenario;
  m.treno = t.sources.treno;
  InMemorySources sources(&line, &train);
  CompileReport report;
  try {
    t.outcome = memorizza_percorso(
        m, sources, compiled.track_plan ? TrackPlanOutput::kWrite : TrackPlanOutput::kOmit,
        &report);
  } catch (const std::exception& x) {
    // Nothing the reader meets escapes it; this is a guard all the same.
    t.outcome = {CompileOutcome::Kind::kNoCells, 0};
    t.records.push_back(std::string("the compile of the sources failed: ") + x.what());
  }
  t.codes = report.reading.codes;
  t.pass_codes = report.pass;

  Annotations notes(t.sources);
  if (t.outcome.complete()) {
    const bool route_same = serialize_route(m.percorso) == compiled.route;
    const bool items_same = serialize_items(m.oggetti) == compiled.items;
    const bool plan_same = compiled.track_plan ? same_track_plan(m.tracciato, *compiled.track_plan)
                                               : !m.tracciato.allocated();
    t.bytes_same = route_same && items_same && plan_same;
    if (!t.bytes_same) {
      CompiledScenario again;
      again.percorso = m.percorso;
      again.oggetti = m.oggetti;
      if (compiled.track_plan) {
        original.track_plan = std::string(*compiled.track_plan);
        if (m.tracciato.allocated()) again.track_plan = serialize_track_plan(m.tracciato);
      }
      t.differences = compare_scenarios(original, again);

      const auto list = [&](std::string text) {
        ++t.differing_records;
        if (t.records.size() < kListedRecords) t.records.push_back(std::move(text));
      };
      const std::size_t cells = std::min(original.percorso.size(), again.percorso.size());
      for (std::size_t c = 0; c < cells; ++c) {
        const std::vector<FieldChange> changes =
            changed_fields(original.percorso[c], again.percorso[c]);
        if (changes.empty()) continue;
        list(cell_place(c) + ": " + worded(changes));
        for (const FieldChange& f : changes) {
          notes.at_cell(c, cell_place(c) + " " + f.name + " is " + f.a +
                               " in the compiled files and " + f.b + " from these sources");
        }
      }
      if (original.percorso.size() != again.percorso.size()) {
        list("the route has " + std::to_string(original.percorso.size()) + " cells; " +
             std::to_string(again.percorso.size()) + " from these sources");
        notes.at_item(kLineItem, {{"valore_b", "the length of the route", "another length"}});
      }
      for (std::size_t i = 0; i < kItemCount; ++i) {
        const std::vector<FieldChange> changes =
            changed_fields(original.oggetti[i], again.oggetti[i]);
        if (changes.empty()) continue;
        list("item " + std::to_string(i) + ": " + worded(changes));
        notes.at_item(i, changes);
      }
      if (!plan_same) {
        std::optional<double> metre;
        for (const Difference& d : t.differences)
          if (d.topic == "track_plan") metre = d.metre;
        list(metre ? "track plan: from metre " + std::to_string(static_cast<Long>(*metre)) + " on"
                   : "track plan");
        notes.at_metre(metre ? static_cast<Long>(*metre) : 0,
                       metre ? "the track plan differs from metre " +
                                   std::to_string(static_cast<Long>(*metre)) + " on"
                             : "the track plan differs");
      }
    }
  }
  for (const RecordedCode& c : t.codes) {
    const std::string what = "error " + std::to_string(c.code) + ": " +
                             (c.message.empty() ? error_message(c.code) : c.message);
    if (c.place) {
      notes.at_line(c.place->source, c.place->line, what);
    } else {
      notes.at_cell(0, what);
    }
  }
  for (const PassCode& c : t.pass_codes) {
    notes.at_cell(static_cast<std::size_t>(std::max<Long>(c.position, 0) / kCellLength),
                  "error " + std::to_string(c.code) + ": " + error_message(c.code));
  }
  if (t.outcome.kind == CompileOutcome::Kind::kFatal) {
    notes.at_cell(1, "error " + std::to_string(t.outcome.fatal_code) + ": " +
                         error_message(t.outcome.fatal_code));
  }
  if (!t.same()) notes.write();
  return true;
}

}  // namespace sb

#include "tools/diagnostics.h"

#include <algorithm>
#include <limits>
#include <tuple>

#include "compiler/cell_kinds.h"
#include "compiler/error_codes.h"
#include "compiler/input_limits.h"

namespace sb {

namespace {

// The furthest position that the range test accepts with `margin`: the
// reader's own test, (p + margin) / 50 <= the last cell, solved for p.
std::int64_t furthest_position(const RouteModel& m, Long margin) {
  return std::int64_t{m.last_cell()} * kCellLength - margin;
}

std::string message_with_position(const RouteModel& m, Long code, Long p) {
  std::string text = error_message(code) + ", at " + std::to_string(p) + " m";
  const ErrorCodeInfo* info = error_code(code);
  if (info != nullptr && info->cell)
    text += " (cell " + std::to_string(cell_of(*info->cell, p)) + ")";
  if (code == kBeyondRange && m.has_cells()) {
    text += ": the last cell is " + std::to_string(m.last_cell()) + ", so rows may stand up to " +
            std::to_string(furthest_position(m, kPositionMargin)) + " m (stations up to " +
            std::to_string(furthest_position(m, kStationMargin)) + " m)";
  }
  return text;
}

// The code's hint, after its message: what to change.
void with_hint(std::string* message, Long code) {
  const std::string hint = error_hint(code);
  if (!hint.empty()) *message += "; " + hint;
}

// The row of an element of `genere` whose cell a code of the pass names: the
// element in that cell, else the nearest one before it.
const PlacedElement* element_for_cell(const std::vector<PlacedElement>& elements, Byte genere,
                                      Long c) {
  const PlacedElement* chosen = nullptr;
  for (const PlacedElement& e : elements) {
    if (e.genere == genere && e.cell <= c && (chosen == nullptr || e.cell >= chosen->cell))
      chosen = &e;
  }
  return chosen;
}

// The last row that stored an element in the reserved cell 1.
const PlacedElement* element_in_cell_one(const std::vector<PlacedElement>& elements) {
  const PlacedElement* chosen = nullptr;
  for (const PlacedElement& e : elements)
    if (e.cell == 1) chosen = &e;
  return chosen;
}

Diagnostic fatal_diagnostic(const CompileReport& report, Long code, const std::string& line_file,
                            const std::string& train_file) {
  Diagnostic d;
  d.code = code;
  const char* slot =
      code == kReservedSlotSet ? "its own fixed value" : "the route file's check code";
  if (const PlacedElement* e = element_in_cell_one(report.reading.elements)) {
    d.file = e->place.source == Source::kLine ? line_file : train_file;
    d.line = e->place.line;
    d.column = e->place.column;
    d.position = e->position;
    d.message = kind_with_article(e->genere) + " at " + std::to_string(e->position) +
                " m falls into cell 1, which the compiler reserves for " + slot +
                ": move it to 100 m or beyond; no compiled file can be written";
  } else {
    d.file = train_file;
    d.message = std::string(
                    "a mark that the compiler placed in cell 1, for a signal or slowdown "
                    "near the start of the line, takes the slot that the compiler "
                    "reserves for ") +
                slot +
                ": keep the first 100 m of the line free, and the cells near an early "
                "signal or slowdown";
  }
  return d;
}

}  // namespace

std::vector<Diagnostic> collect_diagnostics(const RouteModel& m, const CompileReport& report,
                                            const CompileOutcome& outcome,
                                            const std::string& line_file,
                                            const std::string& train_file) {
  const ReaderReport& r = report.reading;
  auto name = [&](Source s) { return s == Source::kLine ? line_file : train_file; };
  std::vector<Diagnostic> out;

  for (const RecordedCode& c : r.codes) {
    Diagnostic d;
    d.code = c.code;
    d.position = c.position;
    if (!c.message.empty()) {
      d.message = c.message;
    } else {
      d.message =
          c.position ? message_with_position(m, d.code, *c.position) : error_message(d.code);
      if (!c.detail.empty()) d.message += ": " + c.detail;
      with_hint(&d.message, d.code);
    }
    // Only the missing line source and the progressive check have no place.
    d.file = c.place ? name(c.place->source) : line_file;
    if (c.place) {
      d.line = c.place->line;
      d.column = c.place->column;
    }
    out.push_back(d);
  }

  for (const PassCode& e : report.pass) {
    Diagnostic d;
    d.code = e.code;
    d.position = e.position;
    d.message = message_with_position(m, e.code, e.position);
    with_hint(&d.message, e.code);
    const auto c = static_cast<Long>(cell_of(Placement::kCellStart, e.position));
    const PlacedElement* el =
        element_for_cell(r.elements, e.code == kNoRoomBeforeSignal ? kSignal : kSlowdownStart, c);
    d.file = train_file;
    if (el != nullptr) {
      d.line = el->place.line;
      d.column = el->place.column;
    }
    out.push_back(d);
  }

  if (outcome.kind == CompileOutcome::Kind::kFatal)
    out.push_back(fatal_diagnostic(report, outcome.fatal_code, line_file, train_file));

  for (const ReaderWarning& w : r.warnings) {
    Diagnostic d;
    d.is_error = false;
    d.warning = w.warning;
    d.file = name(w.place.source);
    d.line = w.place.line;
    d.column = w.place.column;
    d.message = w.text;
    out.push_back(d);
  }

  // In the order of the sources: the line source, then the train source; in
  // each, by line and column, a diagnostic without a line last.
  const auto key = [&](const Diagnostic& d) {
    const int file = d.file == line_file ? 0 : 1;
    const int line = d.line > 0 ? d.line : std::numeric_limits<int>::max();
    return std::tuple(file, line, d.column);
  };
  std::stable_sort(out.begin(), out.end(),
                   [&](const Diagnostic& a, const Diagnostic& b) { return key(a) < key(b); });
  return out;
}

void apply_warning_options(std::vector<Diagnostic>* diagnostics, const WarningOptions& options) {
  std::vector<Diagnostic> kept;
  for (Diagnostic& d : *diagnostics) {
    if (d.warning && !d.is_error &&
        std::find(options.silenced.begin(), options.silenced.end(), *d.warning) !=
            options.silenced.end())
      continue;
    if (d.warning && options.as_errors) d.is_error = true;
    kept.push_back(std::move(d));
  }
  *diagnostics = std::move(kept);
}

bool has_errors(const std::vector<Diagnostic>& diagnostics) {
  return std::any_of(diagnostics.begin(), diagnostics.end(),
                     [](const Diagnostic& d) { return d.is_error; });
}

std::string diagnostics_summary(const std::vector<Diagnostic>& diagnostics) {
  const auto errors = std::count_if(diagnostics.begin(), diagnostics.end(),
                                    [](const Diagnostic& d) { return d.is_error; });
  const auto warnings = static_cast<long>(diagnostics.size()) - errors;
  const auto count = [](long n, const char* one) {
    return n == 0 ? "no " + std::string(one) : std::to_string(n) + " " + one + (n == 1 ? "" : "s");
  };
  return count(errors, "error") + ", " + count(warnings, "warning");
}

SourceLines::SourceLines(std::string_view text) : text_(text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    starts_.push_back(start);
    ends_.push_back(i);
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) {
    starts_.push_back(start);
    ends_.push_back(text.size());
  }
}

std::string_view SourceLines::line(int n) const {
  if (n < 1 || n > count()) return {};
  const auto i = static_cast<std::size_t>(n - 1);
  return text_.substr(starts_[i], ends_[i] - starts_[i]);
}

std::string format_diagnostic(const Diagnostic& d, std::string_view source) {
  return format_diagnostic(d, SourceLines(source));
}

std::string format_diagnostic(const Diagnostic& d, const SourceLines& source) {
  // Appended piece by piece: GCC 12 warns wrongly about `"x" + std::to_string(n)`.
  std::string text = d.file;
  if (d.line > 0) {
    text += ':';
    text += std::to_string(d.line);
    if (d.column > 0) {
      text += ':';
      text += std::to_string(d.column);
    }
  }
  if (d.is_error && !d.warning) {
    text += ": error ";
    text += std::to_string(d.code);
    text += ": ";
  } else {
    text += d.is_error ? ": error: " : ": warning: ";
  }
  text += d.message;
  if (d.warning) {
    text += d.is_error ? " [-Werror=" : " [-W";
    text += warning_info(*d.warning).name;
    text += ']';
  }
  text += '\n';
  if (d.line <= 0 || d.line > source.count()) return text;

  // The source line, then a caret under the field (tabs kept so that it lines up).
  const std::string_view line = source.line(d.line);
  text += std::string(line) + "\n";
  if (d.column > 0) {
    std::string caret;
    for (std::size_t i = 0; i + 1 < static_cast<std::size_t>(d.column) && i < line.size(); ++i)
      caret += line[i] == '\t' ? '\t' : ' ';
    text += caret + "^\n";
  }
  return text;
}

}  // namespace sb

#include "tools/diagnostics.h"

#include <algorithm>

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

// The row of a signal or slowdown whose cell a code of the pass names: the
// element in that cell, else the nearest one before it.
const PlacedElement* element_for_cell(const std::vector<PlacedElement>& elements, Long c) {
  const PlacedElement* chosen = nullptr;
  for (const PlacedElement& e : elements) {
    if (e.cell <= c && (chosen == nullptr || e.cell >= chosen->cell)) chosen = &e;
  }
  return chosen;
}

}  // namespace

std::vector<Diagnostic> collect_diagnostics(const RouteModel& m, const CompileReport& report,
                                            const std::string& line_file,
                                            const std::string& train_file) {
  const ReaderReport& r = report.reading;
  auto name = [&](Source s) { return s == Source::kLine ? line_file : train_file; };
  std::vector<Diagnostic> out;

  for (const RecordedCode& c : r.codes) {
    Diagnostic d;
    d.code = c.code;
    d.position = c.position;
    d.message = c.position ? message_with_position(m, d.code, *c.position) : error_message(d.code);
    if (!c.detail.empty()) d.message += ": " + c.detail;
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
    const std::int64_t c = cell_of(Placement::kCellStart, e.position);
    const PlacedElement* el = e.code == kNoRoomBeforeSignal
                                  ? element_for_cell(r.signals, static_cast<Long>(c))
                                  : element_for_cell(r.slowdowns, static_cast<Long>(c));
    d.file = train_file;
    if (el != nullptr) {
      d.line = el->place.line;
      d.column = el->place.column;
    }
    out.push_back(d);
  }

  for (const ReaderWarning& w : r.warnings) {
    Diagnostic d;
    d.is_error = false;
    d.file = name(w.place.source);
    d.line = w.place.line;
    d.column = w.place.column;
    d.message = w.text;
    out.push_back(d);
  }
  return out;
}

std::string format_diagnostic(const Diagnostic& d, std::string_view source) {
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
  if (d.is_error) {
    text += ": error ";
    text += std::to_string(d.code);
    text += ": ";
  } else {
    text += ": warning: ";
  }
  text += d.message;
  text += '\n';
  if (d.line <= 0) return text;

  // The source line, then a caret under the field (tabs kept so that it lines up).
  std::size_t start = 0;
  for (int r = 1; r < d.line && start != std::string_view::npos; ++r) {
    const std::size_t line_end = source.find_first_of("\r\n", start);
    if (line_end == std::string_view::npos) return text;
    start = line_end + ((source[line_end] == '\r' && line_end + 1 < source.size() &&
                         source[line_end + 1] == '\n')
                            ? 2
                            : 1);
  }
  if (start > source.size()) return text;
  const std::size_t end = std::min(source.find_first_of("\r\n", start), source.size());
  const std::string_view line = source.substr(start, end - start);
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

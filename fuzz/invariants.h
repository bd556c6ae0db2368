// One compilation of arbitrary bytes, and the properties its result must have
// whatever the bytes are. The fuzzer aborts on the first violation; the
// regression test runs every input that ever broke one through the same check.
//
// An input is a flag byte, then the two sources. The flag is the argument j
// of the compile step: an odd byte asks for the track plan ("1" does, "0"
// does not), so that both ways of reading a curve row are explored (without
// the track plan its fields are dropped one by one). The rest of the input is
// split at its first NUL byte: the bytes before it are the line source, the
// bytes after it the train source. Without a NUL byte it is all line source
// and there is no train source at all.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/check_codes.h"
#include "compiler/compile_step.h"
#include "compiler/compiled_files.h"
#include "compiler/error_codes.h"
#include "compiler/memory_sources.h"
#include "compiler/route_model.h"
#include "compiler/source_reader.h"

namespace sb::fuzz {

// The largest input the fuzzer is given (its -max_len); longer inputs are
// ignored rather than checked slowly.
inline constexpr std::size_t kLargestInput = 64 * 1024;

// The longest track plan (in metres) whose points are checked and whose file
// is written and read back; of a longer one only the extent is checked. Every
// plan has the same shape, and a round trip of one with a million points
// would slow the fuzzer a hundredfold.
inline constexpr Long kMostPointsReadBack = 10000;

// The flag and the two sources of one input.
struct FuzzInput {
  Long j = 0;
  std::string line;
  std::optional<std::string> train;
};

inline FuzzInput split_input(std::string_view data) {
  FuzzInput in;
  if (data.empty()) return in;
  in.j = (static_cast<unsigned char>(data[0]) & 1) != 0 ? 1 : 0;
  data.remove_prefix(1);
  const std::size_t nul = data.find('\0');
  in.line = std::string(data.substr(0, nul));
  if (nul != std::string_view::npos) in.train = std::string(data.substr(nul + 1));
  return in;
}

// The input that split_input() splits into these parts.
inline std::string join_input(Long j, std::string_view line,
                              std::optional<std::string_view> train) {
  std::string data(1, j != 0 ? '1' : '0');
  data += line;
  if (train) {
    data += '\0';
    data += *train;
  }
  return data;
}

namespace detail {

inline std::string bad_cell(std::size_t i, const cella& c, const char* what) {
  return "cell " + std::to_string(i) + " of kind " + std::to_string(c.genere) + ": " + what +
         " (dato1 = " + std::to_string(c.dato1) + ")";
}

// What must hold of the model whenever it has cells, whatever the outcome.
inline std::string check_model(const RouteModel& m) {
  const Long length = m.lunghezza_estesa - kRunOut;
  if (length < 0 || length > kMaxLineLength)
    return "the route was built for a line length of " + std::to_string(length) + " m";
  const std::size_t cells = static_cast<std::size_t>(last_cell_for_length(length)) + 1;
  if (m.percorso.size() != cells) {
    return "the route has " + std::to_string(m.percorso.size()) + " cells, a line of " +
           std::to_string(length) + " m has " + std::to_string(cells);
  }
  if (m.codice_errore == kNoError && m.oggetti[84].valore_b != length) {
    return "a clean compilation whose route is for " + std::to_string(length) +
           " m while item 84 gives " + std::to_string(m.oggetti[84].valore_b) + " m";
  }
  if (m.n_montagne < 0 || m.n_montagne > kMaxMountainSpans)
    return "n_montagne = " + std::to_string(m.n_montagne);
  for (std::size_t i = 0; i < m.percorso.size(); ++i) {
    const cella& c = m.percorso[i];
    switch (c.genere) {
      case kFree:
      case kSignal:
      case kSlowdownEnd:
      case kSlowdownStart:
      case kSlowdownWarning:
      case kBeforeWarning:
      case kSpeedBoards:
      case kMountainMark:
      case kMark:
      case kMarkWithoutValue:
        break;
      case kStationEnd:
        if (c.dato1 < 1 || c.dato1 >= kItemCount)
          return bad_cell(i, c, "a station end whose item is not a station item");
        break;
      case kSign:
        if (c.dato1 < 0 || c.dato1 >= kItemCount)
          return bad_cell(i, c, "a sign whose item is outside the item table");
        break;
      default:
        return bad_cell(i, c, "a kind that no writer produces");
    }
  }
  return {};
}

// Serialises the complete model, decodes the bytes and compares.
inline std::string check_files(const RouteModel& m) {
  if (m.percorso.at(1).dato1 != kRouteConstant || m.oggetti[85].parametro1 != kItemConstant)
    return "the reserved constants are not in place";
  if (m.oggetti[85].valore_d != codice_gara_st(m) ||
      m.percorso.at(1).dato2 != low16(codice_gara_og(m)))
    return "the check codes are not in place";

  const std::string percorso = serialize_route(m.percorso);
  if (percorso.size() != kCellRecordBytes * m.percorso.size()) {
    return "the route file has " + std::to_string(percorso.size()) + " bytes for " +
           std::to_string(m.percorso.size()) + " cells";
  }
  std::vector<cella> cells;
  FormatError err;
  if (!decode_route(percorso, &cells, &err)) return "route file: " + err.reason;
  if (cells != m.percorso) return "the route file does not read back as the route";

  const std::string oggetti = serialize_items(m.oggetti);
  auto items_read = std::make_unique<std::array<oggetto, kItemCount>>();
  if (!decode_items(oggetti, items_read.get(), &err)) return "item file: " + err.reason;
  if (*items_read != m.oggetti) return "the item file does not read back as the 87 items";

  if (m.scrivi_linea == 0) {
    if (m.tracciato.allocated()) return "a track plan that was not asked for";
    return {};
  }
  if (m.tracciato.last_metre() != m.lunghezza_estesa) {
    return "the track plan ends at metre " + std::to_string(m.tracciato.last_metre()) + ", " +
           std::to_string(m.lunghezza_estesa) + " expected";
  }
  if (m.lunghezza_estesa > kMostPointsReadBack) return {};

  const std::size_t points = static_cast<std::size_t>(m.lunghezza_estesa) + 1;
  std::vector<TrackValue> xm, ym;
  m.tracciato.for_each_point([&](const TrackValue& x, const TrackValue& y) {
    xm.push_back(x);
    ym.push_back(y);
  });
  if (xm.size() != points || ym.size() != points) {
    return "the track plan has " + std::to_string(xm.size()) + " points, " +
           std::to_string(points) + " expected";
  }
  for (const auto* axis : {&xm, &ym}) {
    for (const TrackValue& v : *axis) {
      if (!std::isfinite(v.value)) return "a track plan value that is not finite";
    }
  }

  const std::string tracciato = serialize_track_plan(m.tracciato);
  std::vector<TrackValue> x, y;
  if (!decode_track_plan(tracciato, &x, &y, &err)) return "track plan file: " + err.reason;
  if (x.size() != points) {
    return "the track plan file has " + std::to_string(2 * x.size()) + " values, " +
           std::to_string(2 * points) + " expected";
  }
  // Compared bit for bit: the file must give back every Double exactly.
  auto same_bits = [](const std::vector<TrackValue>& a, const std::vector<TrackValue>& b) {
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](const TrackValue& u, const TrackValue& v) {
          return u.type == v.type &&
                 std::bit_cast<std::uint64_t>(u.value) == std::bit_cast<std::uint64_t>(v.value);
        });
  };
  if (!same_bits(x, xm) || !same_bits(y, ym))
    return "the track plan file does not read back as the track plan";
  return {};
}

}  // namespace detail

// An empty model with the built-in scenario's identity, for both readings.
inline std::unique_ptr<RouteModel> builtin_identity_model() {
  auto m = std::make_unique<RouteModel>();
  m->scenario = "BORGOLUCE";
  m->treno = "5127";
  return m;
}

// Reads the same sources in the checking mode, which goes on past every
// refused row: it must end, throw nothing, and give each code recorded a
// place within its source.
inline std::string check_checking_reading(Long j, const std::optional<std::string>& line,
                                          const std::optional<std::string>& train) {
  auto m = builtin_identity_model();
  InMemorySources sources(line ? &*line : nullptr, train ? &*train : nullptr);
  CompileReport report;
  try {
    memorizza_percorso(*m, sources, j != 0 ? TrackPlanOutput::kWrite : TrackPlanOutput::kOmit,
                       &report, ReadMode::kCheck);
  } catch (const std::exception& e) {
    return std::string("the checking reading threw: ") + e.what();
  }
  for (const RecordedCode& c : report.reading.codes) {
    if (!c.place) continue;
    const std::optional<std::string>& source = c.place->source == Source::kLine ? line : train;
    const std::string* text = source ? &*source : nullptr;
    if (text == nullptr) continue;
    const auto lines = static_cast<int>(std::count(text->begin(), text->end(), '\n') +
                                        std::count(text->begin(), text->end(), '\r') + 1);
    if (c.place->line < 0 || c.place->line > lines)
      return "code " + std::to_string(c.code) + " placed at line " + std::to_string(c.place->line) +
             " of a source of at most " + std::to_string(lines);
  }
  return {};
}

// Compiles the two sources in memory with the flag j and checks the result.
// Returns an empty string when every property holds, else what went wrong.
inline std::string check_compilation(Long j, std::optional<std::string> line,
                                     std::optional<std::string> train) {
  if (std::string e = check_checking_reading(j, line, train); !e.empty()) return e;
  auto m = builtin_identity_model();
  InMemorySources sources(line ? &*line : nullptr, train ? &*train : nullptr);
  CompileOutcome outcome;
  try {
    outcome =
        memorizza_percorso(*m, sources, j != 0 ? TrackPlanOutput::kWrite : TrackPlanOutput::kOmit);
  } catch (const std::exception& e) {
    return std::string("the compile step threw: ") + e.what();
  }
  const auto table = error_code_table();
  if (std::none_of(table.begin(), table.end(),
                   [&](const ErrorCodeInfo& v) { return v.code == m->codice_errore; }))
    return "codice_errore " + std::to_string(m->codice_errore) + " is not in the table of codes";
  if (sources.exists(Source::kLine)) return "the line source was not deleted";

  if (outcome.kind == CompileOutcome::Kind::kNoCells) {
    if (m->has_cells()) return "a route, yet the step found none";
    if (m->codice_errore == kNoError) return "no route and no code that says why";
    return {};
  }
  if (!m->has_cells()) return "no route, yet the step went on";
  if (std::string e = detail::check_model(*m); !e.empty()) return e;
  if (!outcome.complete()) return {};
  try {
    return detail::check_files(*m);
  } catch (const std::exception& e) {
    return std::string("writing the compiled files threw: ") + e.what();
  }
}

// The same for one input of the fuzzer.
inline std::string check_compilation(std::string_view data) {
  FuzzInput in = split_input(data);
  return check_compilation(in.j, std::move(in.line), std::move(in.train));
}

}  // namespace sb::fuzz

#include "compiler/source_reader.h"

#include "compiler/input_limits.h"
#include "compiler/reader_state.h"
#include "sources/keywords.h"

namespace sb {

bool ReaderState::open(Source s) {
  const std::optional<std::string_view> text = sources.load(s);
  current = s;
  if (!text) return false;
  if (text->size() > kMaxSourceBytes) {
    throw LimitError(kSourceTooLarge, "a source of " + std::to_string(text->size()) +
                                          " bytes, the largest is " +
                                          std::to_string(kMaxSourceBytes));
  }
  reader.emplace(*text);
  reader->on_truncation = [this](const Field& field, int bits, Long v) {
    const Long kept = bits == 16 ? Long{low16(v)} : Long{low8(v)};
    warn(field, "the value " + field.text + " does not fit its " + std::to_string(bits) +
                    "-bit field and is stored as " + std::to_string(kept));
  };
  return true;
}

void ReaderState::warn(const Field& at, std::string text) {
  report.warnings.push_back({place_of(at), std::move(text)});
}

void ReaderState::check_order(std::optional<Long>* last, Long p, const Field& at,
                              const char* profile) {
  if (*last && p < **last) {
    warn(at, std::string(profile) + " row at " + std::to_string(p) + " m comes after a row at " +
                 std::to_string(**last) + " m: rows of a profile must be in ascending order");
  }
  *last = p;
}

void ReaderState::close_and_remove(Source s) {
  reader.reset();
  sources.remove(s);
}

void ReaderState::record(Long code, const Field& at) {
  m.codice_errore = code;
  report.codes.push_back({code, std::nullopt, place_of(at), {}});
}

void ReaderState::record(Long code, const Field& at, Long position) {
  record(code, at);
  m.progressiva_errore = position;
  report.codes.back().position = position;
}

void ReaderState::record_without_place(Long code) {
  m.codice_errore = code;
  report.codes.push_back({code, std::nullopt, std::nullopt, {}});
}

bool ReaderState::in_range(Long p, Long margin) const {
  if (!m.has_cells()) throw ReadError("no line length was read before this row");
  return (static_cast<double>(p) + margin) / 50.0 <= static_cast<double>(m.last_cell());
}

bool ReaderState::out_of_range(Long p, const Field& at, Long margin) {
  if (in_range(p, margin)) return false;
  record(kBeyondRange, at, p);
  return true;
}

RowOutcome ReaderState::fail(Long code, Field at) {
  close_and_remove(current);
  record(code, at);
  return RowOutcome::kReturn;
}

RowOutcome ReaderState::fail(Long code, Field at, Long position) {
  close_and_remove(current);
  record(code, at, position);
  return RowOutcome::kReturn;
}

bool ReaderState::next_keyword(int most, bool test_end) {
  keyword = reader->read_text();
  if (reader->at_end()) return false;
  for (int i = 0; i < most && contains_exact(keyword.text, keywords::kCommento); ++i) {
    keyword = reader->read_text();
    if (test_end && reader->at_end()) return false;
  }
  return true;
}

void memorizza_dati(RouteModel& m, SourceFiles& sources, ReaderReport* report) {
  ReaderReport local;
  ReaderState st{m, sources, report != nullptr ? *report : local};
  m.oggetti[85].testo = m.scenario;
  m.oggetti[86].testo = m.treno;
  // The trap: whatever could not be read ends the reading with code 25, input
  // beyond a limit with the limit's code; both sources that still exist are
  // deleted.
  auto trap = [&](const ReadError& e, Long code) {
    const SourcePlace at{st.current, st.reader ? st.reader->last().line : 0,
                         st.reader ? st.reader->last().column : 0};
    st.reader.reset();
    for (Source s : {Source::kLine, Source::kTrain})
      if (sources.exists(s)) sources.remove(s);
    m.codice_errore = code;
    st.report.codes.push_back({code, std::nullopt, at, e.what()});
  };
  try {
    if (read_line_source(st)) read_train_source(st);
  } catch (const LimitError& e) {
    trap(e, e.code());
  } catch (const ReadError& e) {
    trap(e, kReadFailure);
  }
}

}  // namespace sb

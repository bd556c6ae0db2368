#include "compiler/source_reader.h"

#include "compiler/input_limits.h"
#include "compiler/reader_state.h"
#include "sources/keywords.h"
#include "sources/row_syntax.h"

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
    warn(Warning::kValueTruncated, field,
         "the value " + field.text + " does not fit its " + std::to_string(bits) +
             "-bit field and is stored as " + std::to_string(kept));
  };
  return true;
}

void ReaderState::warn(Warning w, const Field& at, std::string text) {
  report.warnings.push_back({w, place_of(at), std::move(text)});
}

void ReaderState::check_order(std::optional<Long>* last, Long p, const Field& at,
                              const char* profile) {
  if (*last && p < **last) {
    warn(Warning::kUnorderedRows, at,
         std::string(profile) + " row at " + std::to_string(p) + " m comes after a row at " +
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
  report.codes.push_back({code, std::nullopt, place_of(at), {}, {}});
}

void ReaderState::record(Long code, const Field& at, Long position) {
  record(code, at);
  m.progressiva_errore = position;
  report.codes.back().position = position;
}

void ReaderState::record_without_place(Long code) {
  m.codice_errore = code;
  report.codes.push_back({code, std::nullopt, std::nullopt, {}, {}});
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

namespace {

// The codes after which a checking reader cannot go on either.
bool ends_checking(Long code) {
  return code == kNoGenerale || code == kNegativeLength;
}

}  // namespace

RowOutcome ReaderState::fail(Long code, Field at) {
  if (checking()) {
    if (code == kTooManyStations && stations_full) return RowOutcome::kSkipRow;
    stations_full = stations_full || code == kTooManyStations;
    record(code, at);
    return ends_checking(code) ? RowOutcome::kReturn : RowOutcome::kSkipRow;
  }
  close_and_remove(current);
  record(code, at);
  return RowOutcome::kReturn;
}

RowOutcome ReaderState::fail(Long code, Field at, Long position) {
  if (checking()) {
    record(code, at, position);
    return ends_checking(code) ? RowOutcome::kReturn : RowOutcome::kSkipRow;
  }
  close_and_remove(current);
  record(code, at, position);
  return RowOutcome::kReturn;
}

bool ReaderState::next_keyword(int most, bool test_end) {
  row_syntax = nullptr;
  keyword = reader->read_text();
  if (reader->at_end()) return false;
  for (int i = 0; i < most && contains_exact(keyword.text, keywords::kCommento); ++i) {
    keyword = reader->read_text();
    if (test_end && reader->at_end()) return false;
  }
  reader->begin_row(keyword);
  return true;
}

namespace {

// "1st", "2nd", "11th".
std::string ordinal(int n) {
  const int tens = n % 100;
  const char* suffix = "th";
  if (tens < 11 || tens > 13) {
    if (n % 10 == 1) suffix = "st";
    if (n % 10 == 2) suffix = "nd";
    if (n % 10 == 3) suffix = "rd";
  }
  return std::to_string(n) + suffix;
}

// "11 numbers", "17 fields": what a row takes after its keyword.
std::string takes(const RowSyntax& r) {
  const std::size_t n = r.fields.size();
  if (r.ends_with_text && n == 1) return "1 text";
  return std::to_string(n) + (r.ends_with_text ? " fields" : (n == 1 ? " number" : " numbers"));
}

// A keyword field that runs into the row's first number: "segnale 3200".
bool holds_a_number(std::string_view keyword) {
  const std::size_t blank = keyword.find(' ');
  return blank != std::string_view::npos && blank + 1 < keyword.size() &&
         keyword.find_first_of("0123456789", blank) != std::string_view::npos &&
         keyword.find_first_not_of(" 0123456789+-", blank) == std::string_view::npos;
}

}  // namespace

RowOutcome ReaderState::after_row(RowOutcome e) {
  // A row that read fields of the next line without failing: the rules take
  // it so, but it is almost always a field left out.
  const auto& beyond = reader ? reader->first_field_beyond_row() : std::nullopt;
  if (e == RowOutcome::kContinue && row_syntax != nullptr && beyond &&
      keyword.line > last_warned_line) {
    // What is left of the next line after the fields the row took is no row
    // of its own: it is not told of again.
    last_warned_line = reader->last().line;
    const int has = reader->fields_on_row_line();
    warn(Warning::kRowContinues, keyword,
         "`" + std::string(row_syntax->keyword) + "` takes " + takes(*row_syntax) +
             "; this row has " + std::to_string(has) + ", so the next line's `" + beyond->text +
             "` was read as its " + ordinal(has + 1) + ": complete the row, or join the two lines");
  }
  return e;
}

RecordedCode ReaderState::read_failure(const ReadError& e) const {
  RecordedCode c{kReadFailure, std::nullopt, std::nullopt, e.what(), {}};
  const Field& last = reader ? reader->last() : keyword;
  c.place = place_of(last);
  if (row_syntax == nullptr || !reader) return c;
  const std::string name = "`" + std::string(row_syntax->keyword) + "`";
  const auto& beyond = reader->first_field_beyond_row();
  const bool header = !keyword.text.empty() && keyword.text.front() == '[';
  if (header) {
    c.place = place_of(keyword);
    c.message = "the header `" + keyword.text + "` holds a keyword, so it was read as a " + name +
                " row, and " + e.what() + ": name the header otherwise";
  } else if (beyond && last.line > keyword.line) {
    const int has = reader->fields_on_row_line();
    c.place = place_of(keyword);
    c.message = name + " needs " + takes(*row_syntax) + "; this row has " + std::to_string(has) +
                ", and the next line's `" + beyond->text + "` was read as the " + ordinal(has + 1);
    if (holds_a_number(keyword.text)) {
      c.message += " (the keyword field `" + keyword.text + "` holds a number: a comma is " +
                   "missing after the keyword)";
    } else {
      c.message += ": give the missing fields, or put the row's fields on one line";
    }
  } else {
    const int index = reader->fields_on_row_line();
    if (index >= 1 && static_cast<std::size_t>(index) <= row_syntax->fields.size()) {
      c.message = "the " + ordinal(index) + " field of " + name + ", " +
                  std::string(row_syntax->fields[static_cast<std::size_t>(index - 1)]) + ": " +
                  e.what();
    }
  }
  return c;
}

void memorizza_dati(RouteModel& m, SourceFiles& sources, ReaderReport* report, ReadMode mode) {
  ReaderReport local;
  ReaderState st{m, sources, report != nullptr ? *report : local, mode};
  m.oggetti[85].testo = m.scenario;
  m.oggetti[86].testo = m.treno;
  // The trap: whatever could not be read ends the reading with code 25, input
  // beyond a limit with the limit's code; both sources that still exist are
  // deleted.
  auto trap = [&](const ReadError& e, Long code) {
    RecordedCode c = st.read_failure(e);
    c.code = code;
    if (code != kReadFailure) c.message.clear();
    st.reader.reset();
    if (!st.checking()) {
      for (Source s : {Source::kLine, Source::kTrain})
        if (sources.exists(s)) sources.remove(s);
    }
    m.codice_errore = code;
    st.report.codes.push_back(std::move(c));
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

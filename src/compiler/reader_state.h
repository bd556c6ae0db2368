// The state that both phases of the source reader share for one call of
// memorizza_dati, and the helpers both phases use. Internal to the reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/error_codes.h"
#include "compiler/field_reader.h"
#include "compiler/input_limits.h"
#include "compiler/source_reader.h"
#include "sources/row_syntax.h"

namespace sb {

// What a row handler tells the loop of its phase.
enum class RowOutcome {
  kContinue,  // go on with the next test or the next pass
  kEndLoop,   // code 15: the loop ends, the end-of-phase steps follow
  kReturn,    // a code that ends the reading at once
  kSkipRow,   // checking: the row was refused and recorded; go on with the next line
};

struct ReaderState {
  ReaderState(RouteModel& model, SourceFiles& files, ReaderReport& r, ReadMode read_mode)
      : m(model), sources(files), report(r), mode(read_mode) {}

  RouteModel& m;
  SourceFiles& sources;
  ReaderReport& report;
  const ReadMode mode;
  bool checking() const { return mode == ReadMode::kCheck; }
  std::optional<FieldReader> reader;  // the source being read
  Source current = Source::kLine;
  Field keyword;  // the candidate keyword field (`riga`)

  Long next_sign_slot = kFirstSignSlot;  // item that the next sign text takes
  Long gradient_fill = 0;                // first cell whose pendenza is not yet set
  Long previous_gradient = 0;
  Long geometry_metre = 2;                  // next metre of the track plan to compute
  std::optional<Long> last_gradient_row;    // position of the last gradient row
  std::optional<SourcePlace> gradient_row;  // the row whose value the next gradient cells take
  std::optional<Long> last_curve_end;       // where the last curve row ends

  // The row being read: its syntax, once a handler has taken its keyword.
  const RowSyntax* row_syntax = nullptr;
  int last_warned_line = 0;    // one warning of a kind per line is enough
  bool stations_full = false;  // checking: code 10 was given, later stations are not read

  // The speed boards, to be held to the speed limits once both sources are read.
  struct Boards {
    std::int64_t cell;
    Long speeds[6];  // vas, vbs, vcs, vad, vbd, vcd
    SourcePlace place;
  };
  std::vector<Boards> boards;

  // The stations with a time, to be held to the speed limits once both
  // sources are read.
  struct TimedStation {
    Long position;
    Long time;  // seconds from midnight
    std::string name;
    SourcePlace place;
  };
  std::vector<TimedStation> timed_stations;

  Long line_length() const { return m.oggetti[84].valore_b; }

  SourcePlace place_of(const Field& f) const { return {current, f.line, f.column}; }

  // A warning at the place of a field of the source being read.
  void warn(Warning w, const Field& at, std::string text);
  // Warns when a profile row comes before the row read last.
  void check_order(std::optional<Long>* last, Long p, const Field& at, const char* profile);

  // Opens a source for reading; false when it does not exist.
  bool open(Source s);
  // Closes the source being read and deletes it.
  void close_and_remove(Source s);

  // Records a code, with a position in metres when it has one, at the place of
  // the given field.
  void record(Long code, const Field& at);
  void record(Long code, const Field& at, Long position);
  void record_without_place(Long code);

  // The range test of a row position: (p + margin) / 50 must not exceed the
  // last cell. A model without cells cannot be written into: ReadError.
  bool in_range(Long p, Long margin = kPositionMargin) const;
  // The range test that records code 15 when it fails; true then. The row's
  // handler then returns range_failure(): by the rules code 15 ends the loop
  // of the phase, when checking only the row.
  bool out_of_range(Long p, const Field& at, Long margin = kPositionMargin);
  RowOutcome range_failure() const {
    return checking() ? RowOutcome::kSkipRow : RowOutcome::kEndLoop;
  }

  // Ends the reading at once with `code`: the source being read is closed
  // and deleted. `at` is taken by value: it may be a field of the reader
  // that closing destroys. When checking, the code is recorded and only the
  // row is passed over, except for the codes after which nothing more can be
  // read (no [generale], a negative length).
  RowOutcome fail(Long code, Field at);
  RowOutcome fail(Long code, Field at, Long position);

  // Calls a storer. Only the storer's own refusal ends the reading (with the
  // row's position); a code recorded before it, such as a line-phase code 15,
  // is kept when the storer succeeds.
  template <typename Call>
  RowOutcome call_storer(const Field& at, Long position, Call call) {
    const Long before = m.codice_errore;
    m.codice_errore = 0;
    call();
    if (m.codice_errore > 0) return fail(m.codice_errore, at, position);
    m.codice_errore = before;
    return RowOutcome::kContinue;
  }

  // Reads the next candidate keyword field and skips up to `most` comment
  // fields (fields containing "-"). With `test_end`, an end-of-file test
  // follows each skip. Returns false when the field read last was the last
  // field of the file, so the loop must end without processing it.
  bool next_keyword(int most, bool test_end);

  // Runs the handler of a row whose keyword `syntax` names. When checking, a
  // field that cannot be read refuses the row (code 25, said in the row's
  // words) instead of ending the reading. A row that read on into the next
  // line is told of.
  template <typename Handler>
  RowOutcome row(const RowSyntax* syntax, Handler handler) {
    row_syntax = syntax;
    if (!checking()) return after_row(handler());
    try {
      return after_row(handler());
    } catch (const LimitError&) {
      throw;
    } catch (const ReadError& e) {
      if (!m.has_cells()) throw;
      const RecordedCode c = read_failure(e);
      m.codice_errore = c.code;
      report.codes.push_back(c);
      return RowOutcome::kSkipRow;
    }
  }
  RowOutcome after_row(RowOutcome e);

  // Code 25 for a field that could not be read, at the row where it belongs
  // and in its words.
  RecordedCode read_failure(const ReadError& e) const;

  // The warnings for a keyword field that no row took, by where it stands.
  void warn_unrecognised(RowPlace place);
  // A point element placed after the end of the line.
  void warn_beyond_line_end(Long p, const Field& at, const char* what);
  // A text that is not Windows-1252.
  void check_text(const std::string& text, const Field& at);
  // Notes a point element stored in a cell, for the diagnostics.
  void placed(Byte genere, std::int64_t cell, Long position, const Field& at);
  // Reports the cells from `first` up to `end` (not included) as filled with
  // `value` by `row`; nothing when no cell was filled or no row gave the value.
  void filled(const std::optional<SourcePlace>& row, Long first, Long end, Byte cella::*field,
              Byte value);
  // Holds every speed board to the speed limit at its cell (after both sources).
  void check_boards();
  // Warns of every stretch between two timed stations that the timetable
  // gives less time than the fastest run the speed limits allow.
  void check_timetable();
};

// Fills one running attribute (gradient, speed, adhesion) from its fill
// position up to the cell of `p`: the cells before arrotonda(p / 50) get the
// value in force before p. `limit` is the first cell the fill may not write.
// `value` is asked for only when a cell is written.
template <typename Value, typename Write>
void fill_run(Long p, Long* fill, std::int64_t limit, Value value, Write write) {
  const std::int64_t e = arrotonda(static_cast<double>(p) / 50.0);
  if (e <= 0) return;
  do {
    if (*fill >= limit) return;
    write(*fill, value());
    ++*fill;
  } while (*fill < e);
}

// Completes a running attribute at the end of a phase: the cell at the fill
// position, then each following cell below the last cell less 2. Returns the
// cell after the last one written (`fill` when none was).
template <typename Value, typename Write>
Long complete_run(const RouteModel& m, Long fill, Value value, Write write) {
  const Long n = m.last_cell();
  if (fill > n) return fill;
  write(fill, value());
  Long c = fill + 1;
  for (; c < n - 2; ++c) write(c, value());
  return c;
}

// The line phase; returns false when the reading ended and the train phase
// must not run.
bool read_line_source(ReaderState& st);
// The train phase.
void read_train_source(ReaderState& st);

}  // namespace sb

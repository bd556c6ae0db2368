// The state that both phases of the source reader share for one call of
// memorizza_dati, and the helpers both phases use. Internal to the reader.
#pragma once

#include <optional>
#include <string_view>

#include "compiler/error_codes.h"
#include "compiler/field_reader.h"
#include "compiler/input_limits.h"
#include "compiler/source_reader.h"

namespace sb {

// What a row handler tells the loop of its phase.
enum class RowOutcome {
  kContinue,  // go on with the next test or the next pass
  kEndLoop,   // code 15: the loop ends, the end-of-phase steps follow
  kReturn,    // a code that ends the reading at once
};

struct ReaderState {
  ReaderState(RouteModel& model, SourceFiles& files, ReaderReport& r)
      : m(model), sources(files), report(r) {}

  RouteModel& m;
  SourceFiles& sources;
  ReaderReport& report;
  std::optional<FieldReader> reader;  // the source being read
  Source current = Source::kLine;
  Field keyword;  // the candidate keyword field (`riga`)

  Long next_sign_slot = kFirstSignSlot;  // item that the next sign text takes
  Long gradient_fill = 0;                // first cell whose pendenza is not yet set
  Long previous_gradient = 0;
  Long geometry_metre = 2;                // next metre of the track plan to compute
  std::optional<Long> last_gradient_row;  // position of the last gradient row

  SourcePlace place_of(const Field& f) const { return {current, f.line, f.column}; }

  // A warning at the place of a field of the source being read.
  void warn(const Field& at, std::string text);
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
  // The range test that records code 15 (which ends the loop of the phase)
  // when it fails; true then.
  bool out_of_range(Long p, const Field& at, Long margin = kPositionMargin);

  // Ends the reading at once with `code`: the source being read is closed
  // and deleted. `at` is taken by value: it may be a field of the reader
  // that closing destroys.
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
// position, then each following cell below the last cell less 2.
template <typename Value, typename Write>
void complete_run(const RouteModel& m, Long fill, Value value, Write write) {
  const Long n = m.last_cell();
  if (fill > n) return;
  write(fill, value());
  for (Long c = fill + 1; c < n - 2; ++c) write(c, value());
}

// The line phase; returns false when the reading ended and the train phase
// must not run.
bool read_line_source(ReaderState& st);
// The train phase.
void read_train_source(ReaderState& st);

}  // namespace sb

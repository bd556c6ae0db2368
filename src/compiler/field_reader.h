// The field reader: a source is read as a stream of fields, never as lines.
//
// A field ends at a comma or at a line end; blanks before it are skipped. A
// text field keeps its inner blanks (trailing blanks are dropped); one that
// starts with a double quote runs to the closing quote and may hold commas. A
// number also ends at a blank, so numbers separated by blanks alone are
// separate fields; an empty numeric field is 0. After a field, the blanks and
// the one comma or line end that close it are consumed, so that the end-of-file
// test right after the last field of a file holds.
//
// Reading when nothing is left, text in a numeric field, or a number that does
// not fit 32 bits throws ReadError: the reader's trap turns that into
// code 25. A field longer than kMaxFieldBytes bytes (input_limits.h) throws
// LimitError with code 208 before any of it is copied. Every field keeps its
// line and column for diagnostics.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/route_model.h"

namespace sb {

struct Field {
  std::string text;
  int line = 0;            // 1-based line of the field's first character
  int column = 0;          // 1-based column (bytes) of the field's first character
  std::size_t offset = 0;  // byte offset of the field's first character
};

class FieldReader {
 public:
  explicit FieldReader(std::string_view source) : s_(source) {}

  // True when every byte of the source has been consumed.
  bool at_end() const { return pos_ >= s_.size(); }

  Field read_text();
  Long read_long();
  // Narrow fields keep the low bits of the number read.
  Integer read_integer();
  Byte read_byte();

  // Told about every number that does not fit the narrow field it is read into.
  std::function<void(const Field& field, int bits, Long value)> on_truncation;

  // The field read last (its text is the raw text of a numeric field).
  const Field& last() const { return last_; }

  // A row begins with its keyword field: the fields read from here on are
  // counted while they stand on the keyword's line, and the first one that
  // stands on a later line is kept, so that a row short of fields, which
  // reads on into the next line, can be told where it went wrong.
  void begin_row(const Field& keyword);
  int fields_on_row_line() const { return fields_on_row_line_; }
  const std::optional<Field>& first_field_beyond_row() const { return beyond_; }

  // Goes on from the start of the line after the row's keyword, passing over
  // whatever of the row was not read: the reader resumes there after a row
  // it refused.
  void resume_after_row();

 private:
  // The column where the reader stands now.
  int column() const { return static_cast<int>(pos_ - line_start_) + 1; }
  void skip_blanks();
  void close_field();         // consumes blanks and one comma or line end
  void start_field();         // throws at end of file; records the field's place
  void check_length() const;  // throws when the field read so far is too long
  bool at_line_end() const;
  void consume_line_end();
  void note_field();  // counts the field just read against the row

  std::string_view s_;
  std::size_t pos_ = 0;
  std::size_t line_start_ = 0;
  std::size_t field_start_ = 0;  // the field's first character after the blanks
  int line_ = 1;
  Field last_;
  Field row_keyword_;
  int fields_on_row_line_ = 0;
  std::optional<Field> beyond_;
};

// Case-insensitive substring test (ASCII letters).
bool contains(std::string_view field, std::string_view word);
// Case-sensitive substring test.
bool contains_exact(std::string_view field, std::string_view word);

}  // namespace sb

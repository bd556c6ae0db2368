#include "compiler/field_reader.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "compiler/error_codes.h"
#include "compiler/input_limits.h"
#include "sources/ascii.h"

namespace sb {

namespace {}  // namespace

bool contains(std::string_view field, std::string_view word) {
  const auto it = std::search(field.begin(), field.end(), word.begin(), word.end(),
                              [](char a, char b) { return ascii_lower(a) == ascii_lower(b); });
  return it != field.end() || word.empty();
}

bool contains_exact(std::string_view field, std::string_view word) {
  return field.find(word) != std::string_view::npos;
}

void FieldReader::skip_blanks() {
  while (pos_ < s_.size() && is_blank(s_[pos_])) ++pos_;
}

bool FieldReader::at_line_end() const {
  return pos_ < s_.size() && (s_[pos_] == '\r' || s_[pos_] == '\n');
}

void FieldReader::consume_line_end() {
  // CR LF, a lone LF or a lone CR each end one line.
  if (s_[pos_] == '\r' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '\n') ++pos_;
  ++pos_;
  ++line_;
  line_start_ = pos_;
}

void FieldReader::close_field() {
  skip_blanks();
  if (pos_ >= s_.size()) return;
  if (s_[pos_] == ',') {
    ++pos_;
  } else if (at_line_end()) {
    consume_line_end();
  }
}

void FieldReader::start_field() {
  const bool ended = at_end();
  skip_blanks();
  last_.line = line_;
  last_.column = column();
  last_.offset = pos_;
  last_.text.clear();
  field_start_ = pos_;
  if (ended) throw ReadError("the file ends in the middle of a row");
}

void FieldReader::check_length() const {
  const std::size_t length = pos_ - field_start_;
  if (length > kMaxFieldBytes) {
    throw LimitError(kFieldTooLong, "a field of " + std::to_string(length) +
                                        " bytes, the longest is " + std::to_string(kMaxFieldBytes));
  }
}

Field FieldReader::read_text() {
  start_field();
  if (pos_ < s_.size() && s_[pos_] == '"') {
    const std::size_t begin = ++pos_;
    while (pos_ < s_.size() && s_[pos_] != '"' && s_[pos_] != '\r' && s_[pos_] != '\n') ++pos_;
    const std::size_t text_end = pos_;
    if (pos_ < s_.size() && s_[pos_] == '"') ++pos_;
    // Anything between the closing quote and the end of the field is dropped.
    while (pos_ < s_.size() && s_[pos_] != ',' && !at_line_end()) ++pos_;
    check_length();
    last_.text.assign(s_.substr(begin, text_end - begin));
    note_field();
  } else {
    const std::size_t begin = pos_;
    while (pos_ < s_.size() && s_[pos_] != ',' && !at_line_end()) ++pos_;
    check_length();
    std::size_t text_end = pos_;
    while (text_end > begin && is_blank(s_[text_end - 1])) --text_end;
    last_.text.assign(s_.substr(begin, text_end - begin));
    note_field();
  }
  close_field();
  return last_;
}

Long FieldReader::read_long() {
  start_field();
  std::size_t begin = pos_;
  std::size_t digits_end;
  if (pos_ < s_.size() && s_[pos_] == '"') {
    begin = ++pos_;
    while (pos_ < s_.size() && s_[pos_] != '"' && !at_line_end()) ++pos_;
    digits_end = pos_;
    if (pos_ < s_.size() && s_[pos_] == '"') ++pos_;
  } else {
    while (pos_ < s_.size() && s_[pos_] != ',' && !at_line_end() && !is_blank(s_[pos_])) ++pos_;
    digits_end = pos_;
  }
  check_length();
  const std::string_view digits = s_.substr(begin, digits_end - begin);
  last_.text.assign(digits);
  note_field();
  close_field();

  std::size_t i = 0;
  bool negative = false;
  if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
  if (i == digits.size()) {
    if (digits.empty()) return 0;
    throw ReadError("a sign without a number");
  }
  std::int64_t value = 0;
  for (; i < digits.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(digits[i])))
      throw ReadError("\"" + std::string(digits) + "\" is not a number");
    value = value * 10 + (digits[i] - '0');
    if (value > std::int64_t{std::numeric_limits<Long>::max()} + 1)
      throw ReadError(std::string(digits) + " does not fit 32 bits");
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<Long>::max())
    throw ReadError(std::string(digits) + " does not fit 32 bits");
  return static_cast<Long>(value);
}

void FieldReader::begin_row(const Field& keyword) {
  row_keyword_ = keyword;
  fields_on_row_line_ = 0;
  beyond_.reset();
}

void FieldReader::note_field() {
  if (last_.line == row_keyword_.line) {
    ++fields_on_row_line_;
  } else if (!beyond_) {
    beyond_ = last_;
  }
}

void FieldReader::resume_after_row() {
  std::size_t p = std::min(row_keyword_.offset, s_.size());
  while (p < s_.size() && s_[p] != '\r' && s_[p] != '\n') ++p;
  pos_ = p;
  line_ = row_keyword_.line;
  if (pos_ < s_.size()) {
    consume_line_end();
  } else {
    line_start_ = pos_;
  }
}

Integer FieldReader::read_integer() {
  const Long v = read_long();
  if (v != low16(v) && on_truncation) on_truncation(last_, 16, v);
  return low16(v);
}

Byte FieldReader::read_byte() {
  const Long v = read_long();
  if (v != low8(v) && on_truncation) on_truncation(last_, 8, v);
  return low8(v);
}

}  // namespace sb

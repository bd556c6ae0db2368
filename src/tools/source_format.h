// The editor's view of a source: its lines cut into fields as the reader cuts
// them, each line known as a section header, a comment, a row of a known
// keyword or something else; and what the language server makes of that view:
// the formatting in columns, the semantic tokens and the outline.
//
// Everything here works on the source's Windows-1252 bytes, where one byte is
// one UTF-16 unit of the editor's text, so that byte columns are the
// editor's columns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sources/row_syntax.h"

namespace sb {

// One field of a line: [begin, end) in bytes from the start of the line,
// after the blanks that the reader skips and before the comma or the line
// end; `trimmed_end` drops the blanks at its end.
struct LineField {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t trimmed_end = 0;
};

enum class LineKind {
  kBlank,    // nothing but blanks
  kIgnored,  // before the first [generale]: the reader never reads it
  kHeader,   // a section header
  kComment,  // a comment: its first field holds '-'
  kRow,      // a row of a known keyword
  kOther,    // anything else (an unknown keyword, the rest of a row)
};

struct SourceLine {
  std::size_t start = 0;  // byte offset of the line in the text
  std::size_t end = 0;    // offset of its line end
  std::size_t next = 0;   // offset of the next line
  LineKind kind = LineKind::kBlank;
  std::vector<LineField> fields;
  bool unclosed_quote = false;        // a quoted text runs to the end of the line
  const RowSyntax* syntax = nullptr;  // for kRow
  int section = -1;                   // index into SourceView::sections; -1 before the first
};

struct SourceSection {
  int header_line = 0;  // 0-based
  int last_line = 0;    // 0-based, the last line before the next header
  std::string name;     // the header as written, blanks trimmed
};

struct SourceView {
  Source source = Source::kLine;
  std::vector<SourceLine> lines;  // 0-based
  std::vector<SourceSection> sections;

  // The text of a field of a line, blanks trimmed.
  std::string_view field_text(std::string_view text, int line, std::size_t field) const;
  // The field of a line under a byte column (0-based); -1 when none is.
  int field_at(int line, std::size_t column) const;
  // Where the rows of a line are read: kGenerale, kLineElements or kTrain.
  RowPlace place(int line) const;
};

// Cuts a source text into its lines and fields. Never reads out of `text`.
SourceView view_source(std::string_view text, Source source);

// The text with the sections that hold any line of [first_line, last_line]
// (0-based) aligned in columns: each whole row of a known keyword on a line of
// its own is written keyword, comma, its numbers right-aligned in the
// section's columns of that keyword and a closing text after them; every
// other line is left as it was, and so are the line ends. Only blanks before
// a field change, which the reader skips: the compiled bytes stay the same.
// Formatting a formatted text gives it back.
std::string format_source(std::string_view text, Source source, int first_line, int last_line);

// The semantic tokens of a text, each as LSP encodes them: line delta, start
// delta, length, token type (an index into semantic_token_types()), no
// modifiers.
std::vector<int> semantic_tokens(std::string_view text, Source source);
// The token types, in the order of their indices.
std::vector<std::string> semantic_token_types();

}  // namespace sb

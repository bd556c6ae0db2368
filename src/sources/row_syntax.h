// The rows of the two sources as an author writes them: each row's keyword as
// the built-in sources spell it, which source and which part of it reads the
// row, and the names of its fields in order. The reader's messages ("`segnale`
// needs 11 numbers"), its suggestions for a misspelt keyword, the headers it
// knows and the editor's hover all come from here. How a keyword field is
// recognised is in keywords.h.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace sb {

enum class Source { kLine, kTrain };

// Where a row is read: the [generale] section of the line source, the element
// sections after it, or anywhere after "[generale]" in the train source.
enum class RowPlace { kGenerale, kLineElements, kTrain };

struct RowSyntax {
  std::string_view keyword;  // as the built-in sources write it
  RowPlace place;
  std::span<const std::string_view> fields;  // the names of the fields after the keyword
  bool ends_with_text;                       // the last field is a text, the others numbers
};

// Every row of both sources.
std::span<const RowSyntax> row_syntax_table();

// The rows by name, in the order of the table, for the code that writes rows
// (the decompiler): each names its row here instead of spelling its keyword.
enum class Row : std::size_t {
  kLunghezzaPercorso,
  kProgressivaUno,
  kProgressivaDue,
  kProgressivaTre,
  kSfondoUno,
  kSfondoDue,
  kSfondoTre,
  kRipetizioneSegnali4,
  kPendenza,
  kCurva,
  kMontagna,
  kIndicatoriVmax,
  kCartelloIndicatore,
  kPercentualeMassaFrenata,
  kNumeroVetture,
  kSabbia,
  kOrologio,
  kAderenza,
  kVelocita,
  kStazione,
  kRallentamento,
  kSegnale,
  kAbbattimento,
  kRipetizioneSegnali9,
};
const RowSyntax& row_syntax(Row row);

// The row of a keyword as the built-in sources write it ("segnale",
// "curvad2" gives "curva..." rows); nullptr for any other text.
const RowSyntax* row_syntax(std::string_view keyword);

// The known section headers of a source, as the built-in sources write them.
std::span<const std::string_view> section_headers(Source s);

// The keyword of the table that `word` most likely misspells: the nearest
// by edit distance (at most 2, and less than half of the word) among the rows
// read at `place`; empty when none is that near.
std::optional<std::string_view> nearest_keyword(std::string_view word, RowPlace place);

}  // namespace sb

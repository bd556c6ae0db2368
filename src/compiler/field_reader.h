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
// not fit 32 bits throws ErroreLettura: the reader's trap turns that into
// code 25. A field longer than kMassimoCampo bytes (input_limits.h) throws
// ErroreLimite with code 208 before any of it is copied. Every field keeps its
// line and column for diagnostics.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "compiler/route_model.h"

namespace sb {

struct Campo {
  std::string testo;
  int riga = 0;     // 1-based line of the field's first character
  int colonna = 0;  // 1-based column (bytes) of the field's first character
};

class LettoreCampi {
 public:
  explicit LettoreCampi(std::string_view sorgente) : s_(sorgente) {}

  // True when every byte of the source has been consumed.
  bool fine() const { return pos_ >= s_.size(); }

  Campo leggi_testo();
  Long leggi_long();
  // Narrow fields keep the low bits of the number read.
  Integer leggi_integer();
  Byte leggi_byte();

  // Told about every number that does not fit the narrow field it is read into.
  std::function<void(const Campo& campo, int bit, Long valore)> su_troncamento;

  // The field read last (its text is the raw text of a numeric field).
  const Campo& ultimo() const { return ultimo_; }
  // Where the reader stands now (the place of an unexpected end of file).
  int riga() const { return riga_; }
  int colonna() const { return static_cast<int>(pos_ - inizio_riga_) + 1; }

 private:
  void salta_spazi();
  void chiudi_campo();               // consumes blanks and one comma or line end
  void inizia_campo();               // throws at end of file; records the field's place
  void controlla_lunghezza() const;  // throws when the field read so far is too long
  bool a_fine_riga() const;
  void consuma_fine_riga();

  std::string_view s_;
  std::size_t pos_ = 0;
  std::size_t inizio_riga_ = 0;
  std::size_t inizio_campo_ = 0;  // the field's first character after the blanks
  int riga_ = 1;
  Campo ultimo_;
};

// Case-insensitive substring test (ASCII letters).
bool contiene(std::string_view campo, std::string_view parola);
// Case-sensitive substring test.
bool contiene_esatto(std::string_view campo, std::string_view parola);

}  // namespace sb

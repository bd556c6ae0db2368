// The route as an author reads it: each cell with its kilometre, the name of
// its kind and its values in the author's units (km/h, per mille, clock
// times, a signal by the fields of its `segnale` row, the text of a sign).
// The decoding rules themselves are in compiler/route_values.h; this file
// only words them, for `dump` and `diff`; dump.h prints them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "compiler/route_model.h"

namespace sb {

// One decoded value of a cell: its name, its text for the table and its
// value for JSON (a number, or a text when `is_text`).
struct DecodedValue {
  std::string name;
  std::string text;  // "95 km/h", "\"P.L.\""
  double number = 0;
  std::string json_text;  // UTF-8, for is_text
  bool is_text = false;
};

// The values of a cell beyond its speed, gradient and adhesion: those of
// its element, by kind, then its approach code and mountain kind when set.
// `oggetti` gives the texts of signs and the names of stations; without it
// only their item numbers are shown.
std::vector<DecodedValue> element_values(const cella& c,
                                         const std::array<oggetto, kItemCount>* oggetti);

// The metre at which the element of cell `index` stands (the cell's start
// for a free cell), by the placement of its kind.
double cell_metre(const cella& c, std::size_t index);

// Which cells a readable dump shows.
struct CellFilter {
  std::optional<Byte> kind{};    // only cells of this kind
  std::optional<double> from{};  // metres, inclusive
  std::optional<double> to{};    // metres, inclusive
  bool changes = false;          // only cells unlike the one before them
  bool keeps(const std::vector<cella>& percorso, std::size_t i) const;
};

// The kind whose name is `name` ("signal", "speed indicator boards"), or
// whose number it is; empty for any other text.
std::optional<Byte> kind_named(const std::string& name);

}  // namespace sb

// The decompiler: compiled files in memory back to the two sources, as text
// in memory, laid out as the built-in sources are.
//
// Every rule that shapes the compiled files is run backwards: cells quantise
// positions to 50 m, speeds are stored divided by 5, a board keeps one value
// per category for both its sets, the track plan is a chain of known steps.
// What the compiler derives (the marks of the post-processing, the approach
// codes, the fixed slots, the check codes) is not written as a row. Whether
// the sources give back the same bytes is for the round trip (round_trip.h)
// to find out: the decompiler only notes, row by row, what it had to choose
// or could not give back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/route_model.h"
#include "sources/row_syntax.h"

namespace sb {

// What a row of the decompiled sources gives back: cells of the route, an
// item (or some of its fields), metres of the track plan. The round trip
// puts its comments on the rows whose part of the compiled files differs.
struct RowOrigin {
  std::int64_t first_cell = -1;  // -1: no cell
  std::int64_t last_cell = -1;
  std::optional<std::size_t> item;
  std::vector<std::string_view> item_fields;  // empty: every field of the item
  Long first_metre = -1;                      // of the track plan; -1: none
  Long last_metre = -1;
};

struct DecompiledRow {
  std::string text;  // the line, without its line end
  RowOrigin origin;
  std::string doubt;                  // what the decompiler could not give back exactly
  std::vector<std::string> comments;  // put before the row, each a comment line
};

struct DecompiledSource {
  std::vector<DecompiledRow> rows;
  // The text: every row after its comments, CR LF after each line.
  std::string text() const;
};

struct Decompiled {
  std::string scenario;  // from item 85
  std::string treno;     // from item 86
  DecompiledSource line;
  DecompiledSource train;
  bool track_plan = false;  // whether curves were read from a track plan
  // Every tagged value of the track plan was read, in two halves of the
  // same number of points: true for any file the decoder accepts.
  bool track_plan_read = false;
};

// The decompiled sources of a compiled scenario: its route cells, its item
// table and the bytes of its track plan (none when it was compiled without
// one). Bytes of a track plan that the decoder refuses leave track_plan_read
// false. Never fails: whatever the records hold, some sources come out, and
// what they cannot give back is in the rows' doubts.
Decompiled decompile(const std::vector<cella>& percorso,
                     const std::array<oggetto, kItemCount>& oggetti,
                     std::optional<std::string_view> track_plan);

// A comment line as the reader passes it over: `--` and the text, with
// nothing in it that could end the field or the line.
std::string comment_line(std::string_view text);

}  // namespace sb

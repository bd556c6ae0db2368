// Long scenarios for the benchmarks: a line source and a train source for a
// line of a given length, dense with elements, that the compiler accepts
// without any error code or warning.
//
// The line is laid out in blocks of 1000 m. Every block has two gradient
// changes and two curves. An ordinary block has two signals, two pairs of
// speed boards with the train's speed limits and, now and then, an
// abbattimento mark. A slowdown takes three blocks of its own every ten
// blocks, so that its warning point, approach cells and the marks of the
// post-processing find free cells. The stations and the signs, whose number
// the item table caps, are spread over the ordinary blocks, a station in a
// block with one signal and one pair of boards, a sign in an ordinary block;
// mountain spans lie across all of them. Positions are chosen so that no two
// elements meet in one cell and no approach code lands on another.
#pragma once

#include <string>

#include "compiler/route_model.h"

namespace sb {

struct GeneratedSources {
  std::string line;   // the line source, CR LF lines
  std::string train;  // the train source, CR LF lines
};

// The shortest line the generator lays out: two lead-in blocks, a slowdown and
// room for stations around it.
inline constexpr Long kShortestGeneratedLine = 10000;

// The identity of a generated scenario: "GEN1000" for a line of 1000 km,
// and its train.
inline constexpr char kGeneratedTrain[] = "9000";
inline std::string generated_scenario_name(Long length) {
  return "GEN" + std::to_string(length / 1000);
}

// The sources of a line of `length` metres, from kShortestGeneratedLine
// to kMaxLineLength; the same length always gives the same bytes. Throws
// std::invalid_argument for a length outside that range.
GeneratedSources generate_sources(Long length);

// The same sources with `count` mistakes scattered over them, each of its own
// row and none a consequence of another: in the line source, speed boards
// with a letter in a number (code 25); in the train source, signals on the
// cell of the signal before them (code 16). Half of each, as far as the
// sources have such rows.
GeneratedSources with_scattered_errors(GeneratedSources sources, int count);

}  // namespace sb

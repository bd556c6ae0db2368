// Randomised valid scenarios, for the round-trip property of the decompiler:
// from a seed, a line and a train with every kind of row, of varied length
// and content, that the compiler accepts without an error code. The same
// seed always gives the same bytes, on every platform (the generator draws
// its numbers itself, never through the standard library's distributions).
//
// Beyond what the built-in and the generated long lines hold, they carry
// what an author may write and the compiled files keep only in part:
// positions within a cell, speeds that are not multiples of 5, set-d board
// speeds, kilometric references that the compiler reorders, mountain spans
// close enough to be made kind 3, signs in any order and texts that need
// quoting, stations of every area rule, slowdowns with and without their
// warning cells, signals of any side and time, abbattimento points of value
// 180 and above, keywords in any case, odd spacing and comments.
#pragma once

#include <cstdint>

#include "bench/scenario_generator.h"

namespace sb {

GeneratedSources random_scenario(std::uint64_t seed);

}  // namespace sb

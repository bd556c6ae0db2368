// The post-processing pass: one walk over the route after the sources are
// read, placing the value-180 marks (kind 12) before signals that precede a
// slowdown warning point, before and inside slowdowns, and before the first
// signal after a slowdown. Records codes 11, 12 and 13; a later one overwrites
// an earlier one.
#pragma once

#include <vector>

#include "compiler/route_model.h"

namespace sb {

// A code that the pass recorded, with its position in metres.
struct PassCode {
  Long code = 0;
  Long position = 0;
};

// Runs the pass. When `log` is given, every code recorded is also
// appended to it, in order (codice_errore keeps only the last).
void run_post_processing(RouteModel& m, std::vector<PassCode>* log = nullptr);

}  // namespace sb

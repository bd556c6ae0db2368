// The post-processing pass: one walk over the route after the sources are
// read, placing the value-180 marks (kind 12) before signals that precede a
// slowdown warning point, before and inside slowdowns, and before the first
// signal after a slowdown. Records codes 11, 12 and 13; a later one overwrites
// an earlier one.
#pragma once

#include "compiler/route_model.h"

namespace sb {

void post_elabora(RouteModel& m);

}  // namespace sb

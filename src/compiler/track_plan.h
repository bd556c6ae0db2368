// The curvature classes of the track plan rule. The steps themselves are
// recorded and computed by the track plan (route_model.h).
#pragma once

#include "compiler/route_model.h"

namespace sb {

// The curvature of a curve keyword: the first of the digits 1 to 6 found in
// it selects 0.0001, 0.0002, 0.0004, 0.001, 0.002 or 0.003 per metre, negated
// when the keyword holds an "s" (left-hand curve). Returns false when the
// keyword holds none of the six digits.
bool curvature(const std::string& keyword, double* k);

}  // namespace sb

// The steps of the track plan rule. Each new point is computed from the two
// before it, in Double, in exactly this order of operations, so that the
// points come out bit-identical on every platform.
#pragma once

#include "compiler/route_model.h"

namespace sb {

// The curvature of a curve keyword: the first of the digits 1 to 6 found in
// it selects 0.0001, 0.0002, 0.0004, 0.001, 0.002 or 0.003 per metre, negated
// when the keyword holds an "s" (left-hand curve). Returns false when the
// keyword holds none of the six digits.
bool curvatura(const std::string& parola, double* k);

// Point m on straight track: x(m) = x(m-1) + dx, y(m) = y(m-1) + dy.
void passo_rettilineo(Tracciato& t, Long m);

// Point m inside a curve of curvature k:
// x(m) = x(m-1) + (dx + k*dy), y(m) = y(m-1) + (dy - k*dx).
void passo_curva(Tracciato& t, Long m, double k);

}  // namespace sb

// The steps of the track plan rule. A step records that point m follows from
// the two points before it; the plan computes the point when it is read
// (route_model.h), in Double and in one fixed order of operations, so that the
// points come out bit-identical on every platform.
#pragma once

#include "compiler/route_model.h"

namespace sb {

// The curvature of a curve keyword: the first of the digits 1 to 6 found in
// it selects 0.0001, 0.0002, 0.0004, 0.001, 0.002 or 0.003 per metre, negated
// when the keyword holds an "s" (left-hand curve). Returns false when the
// keyword holds none of the six digits.
bool curvatura(const std::string& parola, double* k);

// Point m on straight track: x(m) = x(m-1) + dx, y(m) = y(m-1) + dy, with
// dx = x(m-1) - x(m-2) and dy = y(m-1) - y(m-2).
inline void passo_rettilineo(Tracciato& t, Long m) {
  t.aggiungi_rettilineo(m, m);
}

// Point m inside a curve of curvature k:
// x(m) = x(m-1) + (dx + k*dy), y(m) = y(m-1) + (dy - k*dx).
inline void passo_curva(Tracciato& t, Long m, double k) {
  t.aggiungi_curva(m, m, k);
}

}  // namespace sb

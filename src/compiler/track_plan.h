// The curvature classes of the track plan rule. The steps themselves are
// recorded and computed by the track plan (route_model.h).
#pragma once

#include <span>
#include <string>

#include "compiler/route_model.h"

namespace sb {

// One class of curve: the digit of its keyword and its curvature per metre.
struct CurveClass {
  char digit;
  double curvature;
};

// The six classes, in the order in which a keyword's digits are looked for.
std::span<const CurveClass> curve_classes();

// The curvature of a curve keyword: the first of the digits 1 to 6 found in
// it selects 0.0001, 0.0002, 0.0004, 0.001, 0.002 or 0.003 per metre, negated
// when the keyword holds an "s" (left-hand curve). Returns false when the
// keyword holds none of the six digits.
bool curvature(const std::string& keyword, double* k);

// The keyword of a curve of a class, as the built-in line writes it:
// "curvad2" for a right-hand curve of class 2, "curvas2" for a left-hand one.
std::string curve_keyword(const CurveClass& c, bool left);

}  // namespace sb

#include "compiler/track_plan.h"

#include "sources/keywords.h"

namespace sb {

namespace {

constexpr CurveClass kClasses[] = {{'1', 0.0001}, {'2', 0.0002}, {'3', 0.0004},
                                   {'4', 0.001},  {'5', 0.002},  {'6', 0.003}};

}  // namespace

std::span<const CurveClass> curve_classes() {
  return kClasses;
}

bool curvature(const std::string& keyword, double* k) {
  for (const CurveClass& c : kClasses) {
    if (keyword.find(c.digit) == std::string::npos) continue;
    const bool left = keyword.find_first_of("sS") != std::string::npos;
    *k = left ? -c.curvature : c.curvature;
    return true;
  }
  return false;
}

std::string curve_keyword(const CurveClass& c, bool left) {
  std::string s(keywords::kCurva);
  s += left ? 's' : 'd';
  s += c.digit;
  return s;
}

}  // namespace sb

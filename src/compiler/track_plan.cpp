#include "compiler/track_plan.h"

namespace sb {

bool curvature(const std::string& keyword, double* k) {
  static constexpr struct {
    char digit;
    double value;
  } kClasses[] = {{'1', 0.0001}, {'2', 0.0002}, {'3', 0.0004},
                  {'4', 0.001},  {'5', 0.002},  {'6', 0.003}};
  for (const auto& c : kClasses) {
    if (keyword.find(c.digit) == std::string::npos) continue;
    const bool left = keyword.find_first_of("sS") != std::string::npos;
    *k = left ? -c.value : c.value;
    return true;
  }
  return false;
}

}  // namespace sb

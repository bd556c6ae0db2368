#include "compiler/track_plan.h"

namespace sb {

bool curvatura(const std::string& parola, double* k) {
  static constexpr struct {
    char cifra;
    double valore;
  } kClassi[] = {{'1', 0.0001}, {'2', 0.0002}, {'3', 0.0004},
                 {'4', 0.001},  {'5', 0.002},  {'6', 0.003}};
  for (const auto& classe : kClassi) {
    if (parola.find(classe.cifra) == std::string::npos) continue;
    const bool sinistra = parola.find_first_of("sS") != std::string::npos;
    *k = sinistra ? -classe.valore : classe.valore;
    return true;
  }
  return false;
}

}  // namespace sb

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

void passo_rettilineo(Tracciato& t, Long m) {
  const double dx = t.x(m - 1).valore - t.x(m - 2).valore;
  const double dy = t.y(m - 1).valore - t.y(m - 2).valore;
  t.imposta_doppio(m, t.x(m - 1).valore + dx, t.y(m - 1).valore + dy);
}

void passo_curva(Tracciato& t, Long m, double k) {
  const double dx = t.x(m - 1).valore - t.x(m - 2).valore;
  const double dy = t.y(m - 1).valore - t.y(m - 2).valore;
  const double kdy = k * dy;
  const double kdx = k * dx;
  t.imposta_doppio(m, t.x(m - 1).valore + (dx + kdy), t.y(m - 1).valore + (dy - kdx));
}

}  // namespace sb

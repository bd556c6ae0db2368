#include "compiler/route_model.h"

#include <cmath>

namespace sb {

std::int64_t arrotonda(double v) {
  double intera = std::floor(v);
  const double resto = v - intera;  // exact for every finite double
  if (resto > 0.5 || (resto == 0.5 && std::fmod(intera, 2.0) != 0.0)) intera += 1.0;
  return static_cast<std::int64_t>(intera);
}

std::int64_t indice_cella(std::int64_t p) {
  return arrotonda(static_cast<double>(p) / 50.0 + 1.0);
}

void Tracciato::alloca(Long ultimo_metro) {
  const auto n = static_cast<std::size_t>(ultimo_metro) + 1;
  x_.assign(n, ValoreTracciato{});
  y_.assign(n, ValoreTracciato{});
}

void Tracciato::imposta_intero(Long m, Integer x, Integer y) {
  x_[static_cast<std::size_t>(m)] = {TipoValore::kIntero, static_cast<double>(x)};
  y_[static_cast<std::size_t>(m)] = {TipoValore::kIntero, static_cast<double>(y)};
}

void Tracciato::imposta_doppio(Long m, double x, double y) {
  x_[static_cast<std::size_t>(m)] = {TipoValore::kDoppio, x};
  y_[static_cast<std::size_t>(m)] = {TipoValore::kDoppio, y};
}

Long numero_ultima_cella(Long lunghezza) {
  return static_cast<Long>(arrotonda(static_cast<double>(lunghezza + kCoda) / 50.0));
}

void RouteModel::crea_percorso(Long lunghezza) {
  lunghezza_estesa = lunghezza + kCoda;
  percorso.assign(static_cast<std::size_t>(numero_ultima_cella(lunghezza)) + 1, cella{});
  if (scrivi_linea != 0) tracciato.alloca(lunghezza_estesa);
}

}  // namespace sb

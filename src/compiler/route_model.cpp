#include "compiler/route_model.h"

#include <bit>
#include <cmath>
#include <stdexcept>

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
  ultimo_ = ultimo_metro;
  tratti_.clear();
  letto_ = Stato{};
}

void Tracciato::aggiungi(Long m, Long fino_a, Tratto::Genere genere, double a, double b) {
  const bool passo = genere == Tratto::Genere::kRettilineo || genere == Tratto::Genere::kCurva;
  if (m < (passo ? 2 : 0) || fino_a < m || fino_a > ultimo_) {
    throw std::logic_error("track plan points " + std::to_string(m) + " to " +
                           std::to_string(fino_a) + " outside 0 to " + std::to_string(ultimo_));
  }
  if (!tratti_.empty() && m <= tratti_.back().ultimo) {
    throw std::logic_error("track plan point " + std::to_string(m) + " given after point " +
                           std::to_string(tratti_.back().ultimo));
  }
  // A reading kept from before may have passed m as an empty point.
  if (letto_.metro >= m) letto_ = Stato{};
  if (passo && !tratti_.empty()) {
    Tratto& ultimo = tratti_.back();
    if (ultimo.genere == genere && ultimo.ultimo == m - 1 &&
        std::bit_cast<std::uint64_t>(ultimo.a) == std::bit_cast<std::uint64_t>(a)) {
      ultimo.ultimo = fino_a;
      return;
    }
  }
  tratti_.push_back({m, fino_a, genere, a, b});
}

void Tracciato::imposta_intero(Long m, Integer x, Integer y) {
  aggiungi(m, m, Tratto::Genere::kIntero, x, y);
}

void Tracciato::imposta_doppio(Long m, double x, double y) {
  aggiungi(m, m, Tratto::Genere::kDoppio, x, y);
}

void Tracciato::aggiungi_rettilineo(Long m, Long fino_a) {
  aggiungi(m, fino_a, Tratto::Genere::kRettilineo, 0, 0);
}

void Tracciato::aggiungi_curva(Long m, Long fino_a, double k) {
  aggiungi(m, fino_a, Tratto::Genere::kCurva, k, 0);
}

const Tracciato::Stato& Tracciato::leggi(Long m) const {
  if (m < 0 || m > ultimo_) {
    throw std::out_of_range("track plan point " + std::to_string(m) + " outside 0 to " +
                            std::to_string(ultimo_));
  }
  if (m < letto_.metro) letto_ = Stato{};
  avanza(letto_, m, [](const ValoreTracciato&, const ValoreTracciato&) {});
  return letto_;
}

ValoreTracciato Tracciato::x(Long m) const {
  const Stato& s = leggi(m);
  return {s.tipo, s.x};
}

ValoreTracciato Tracciato::y(Long m) const {
  const Stato& s = leggi(m);
  return {s.tipo, s.y};
}

Long Tracciato::punti(TipoValore tipo) const {
  if (!allocato()) return 0;
  Long interi = 0, doppi = 0;
  for (const Tratto& t : tratti_) {
    if (t.genere == Tratto::Genere::kIntero) {
      ++interi;
    } else {
      doppi += t.ultimo - t.primo + 1;
    }
  }
  switch (tipo) {
    case TipoValore::kIntero:
      return interi;
    case TipoValore::kDoppio:
      return doppi;
    case TipoValore::kVuoto:
      break;
  }
  return ultimo_ + 1 - interi - doppi;
}

std::vector<ValoreTracciato> Tracciato::coordinate(int asse) const {
  std::vector<ValoreTracciato> valori;
  if (!allocato()) return valori;
  valori.reserve(static_cast<std::size_t>(ultimo_) + 1);
  per_ogni_punto([&](const ValoreTracciato& x, const ValoreTracciato& y) {
    valori.push_back(asse == 0 ? x : y);
  });
  return valori;
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

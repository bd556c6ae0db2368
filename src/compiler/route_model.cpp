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

void TrackPlan::allocate(Long last_metre) {
  last_ = last_metre;
  runs_.clear();
}

void TrackPlan::add(Long m, Long to, Run::Kind kind, double a, double b) {
  const bool step = kind == Run::Kind::kStraight || kind == Run::Kind::kCurve;
  if (m < (step ? 2 : 0) || to < m || to > last_) {
    throw std::logic_error("track plan points " + std::to_string(m) + " to " + std::to_string(to) +
                           " outside 0 to " + std::to_string(last_));
  }
  if (!runs_.empty() && m <= runs_.back().last) {
    throw std::logic_error("track plan point " + std::to_string(m) + " given after point " +
                           std::to_string(runs_.back().last));
  }
  if (step && !runs_.empty()) {
    Run& previous = runs_.back();
    if (previous.kind == kind && previous.last == m - 1 &&
        std::bit_cast<std::uint64_t>(previous.a) == std::bit_cast<std::uint64_t>(a)) {
      previous.last = to;
      return;
    }
  }
  runs_.push_back({m, to, kind, a, b});
}

void TrackPlan::set_integer(Long m, Integer x, Integer y) {
  add(m, m, Run::Kind::kInteger, x, y);
}

void TrackPlan::set_double(Long m, double x, double y) {
  add(m, m, Run::Kind::kDouble, x, y);
}

void TrackPlan::add_straight(Long m, Long to) {
  add(m, to, Run::Kind::kStraight, 0, 0);
}

void TrackPlan::add_curve(Long m, Long to, double k) {
  add(m, to, Run::Kind::kCurve, k, 0);
}

Long TrackPlan::count(TrackValueType type) const {
  if (!allocated()) return 0;
  Long integers = 0, doubles = 0;
  for (const Run& r : runs_) {
    if (r.kind == Run::Kind::kInteger) {
      ++integers;
    } else {
      doubles += r.last - r.first + 1;
    }
  }
  switch (type) {
    case TrackValueType::kInteger:
      return integers;
    case TrackValueType::kDouble:
      return doubles;
    case TrackValueType::kEmpty:
      break;
  }
  return last_ + 1 - integers - doubles;
}

Long last_cell_for_length(Long lunghezza) {
  return static_cast<Long>(arrotonda(static_cast<double>(lunghezza + kRunOut) / 50.0));
}

void RouteModel::create_cells(Long lunghezza) {
  lunghezza_estesa = lunghezza + kRunOut;
  percorso.assign(static_cast<std::size_t>(last_cell_for_length(lunghezza)) + 1, cella{});
  if (scrivi_linea != 0) tracciato.allocate(lunghezza_estesa);
}

}  // namespace sb

// Single steps and single points of a track plan, for tests that build or
// read a plan one metre at a time.
#pragma once

#include <vector>

#include "compiler/route_model.h"

namespace sb::testing {

// Point m on straight track: x(m) = x(m-1) + dx, y(m) = y(m-1) + dy, with
// dx = x(m-1) - x(m-2) and dy = y(m-1) - y(m-2).
inline void straight_step(TrackPlan& t, Long m) {
  t.add_straight(m, m);
}

// Point m inside a curve of curvature k:
// x(m) = x(m-1) + (dx + k*dy), y(m) = y(m-1) + (dy - k*dx).
inline void curve_step(TrackPlan& t, Long m, double k) {
  t.add_curve(m, m, k);
}

// Point m of the plan (0 to the last metre), computed from point 0 on.
struct TrackPoint {
  TrackValue x, y;
};
inline TrackPoint point_at(const TrackPlan& t, Long m) {
  TrackPoint p;
  t.for_each_point_to(m, [&](const TrackValue& x, const TrackValue& y) { p = {x, y}; });
  return p;
}

// Every point of the plan, from 0 to the last metre, as its x and its y
// values.
struct TrackPoints {
  std::vector<TrackValue> x, y;
};
inline TrackPoints all_points(const TrackPlan& t) {
  TrackPoints points;
  t.for_each_point([&](const TrackValue& x, const TrackValue& y) {
    points.x.push_back(x);
    points.y.push_back(y);
  });
  return points;
}

}  // namespace sb::testing

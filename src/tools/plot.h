// The picture of a compiled scenario, as one SVG 1.1 document: the plan of
// the line drawn from the track plan, and the longitudinal profile (gradient
// and speed limit against kilometres) with the elements of the route marked
// along it.
//
// The drawing is a pure function of the decoded files; the `plot`
// subcommand finds and reads them and writes the result.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/route_model.h"

namespace sb {

struct LinePlan {
  std::vector<TrackValue> x;  // point m is (x[m], y[m]), one per metre
  std::vector<TrackValue> y;
};

struct PlotData {
  std::vector<cella> percorso;
  std::array<oggetto, kItemCount> oggetti{};
  std::optional<LinePlan> plan;
  std::string plan_note;  // shown in place of the plan when there is none
};

// A station as the picture shows it: an item from 1 upward with a kind and a
// name, at the metre of its `valore_c`.
struct PlotStation {
  int index = 0;
  std::string name;  // UTF-8, without the padding spaces of the source
  Long position = 0;
};
std::vector<PlotStation> plot_stations(const std::array<oggetto, kItemCount>& oggetti);

// The whole SVG document, about 1600 px wide.
std::string draw_scenario(const PlotData& d);

}  // namespace sb

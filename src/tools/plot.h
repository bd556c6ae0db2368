// The picture of a compiled scenario, as one SVG 1.1 document: the plan of
// the line drawn from the track plan, the longitudinal profile (gradient and
// speed limit against kilometres) with the elements of the route marked and
// labelled along it, and the time-distance graph of the timetable against
// the fastest run the speed limits allow. The whole line, or a stretch of it.
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
  // The stretch to draw, in metres; the whole line when empty. An empty or
  // reversed stretch is drawn as the whole line (the command refuses it).
  std::optional<double> from{};
  std::optional<double> to{};
};

// A station as the picture shows it: an item from 1 upward with a kind and a
// name, at the metre of its `valore_c`.
struct PlotStation {
  int index = 0;
  std::string name;  // UTF-8, without the padding spaces of the source
  Long position = 0;
};
std::vector<PlotStation> plot_stations(const std::array<oggetto, kItemCount>& oggetti);

// The length of the line the picture draws, in metres: item 84's, or the
// route's when that is missing or longer than the route.
double plot_line_end(const PlotData& d);

// The whole SVG document, about 1600 px wide.
std::string draw_scenario(const PlotData& d);

}  // namespace sb

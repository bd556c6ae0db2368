// The viewer of a compiled scenario: one self-contained HTML page that shows
// the plan of the line, the profile (gradient and speed limit, with every
// element of the route) and the timetable graph, with zoom and pan along the
// kilometres, a tooltip on every element, a station search and a stretch
// named by the address's fragment (#km=40-60).
//
// The page is the template of tools/view_page/ (HTML, CSS and JavaScript,
// embedded into the program at build time) with the scenario inserted as one
// JSON object. It fetches nothing: no script, stylesheet, font or picture
// from elsewhere, and its content security policy forbids any.
//
// Building the page is a pure function of the decoded files; the `view`
// subcommand finds and reads them and writes the result.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/route_model.h"

namespace sb {

struct ViewData {
  std::vector<cella> percorso;
  std::array<oggetto, kItemCount> oggetti{};
  // The track plan's points, one per metre: point m is (x[m], y[m]).
  std::optional<std::vector<TrackValue>> plan_x;
  std::optional<std::vector<TrackValue>> plan_y;
  std::string plan_note;  // shown in place of the plan when there is none
  std::string source;     // the route file's name, for the page's heading
};

// The whole HTML document.
std::string view_page(const ViewData& d);

// The track plan as few points as keep its shape: runs of metres whose
// points all stand, with finite coordinates, and within each run the metres
// of the points kept, first and last included, such that every point left
// out lies within `tolerance` metres of the straight line between the kept
// points around it.
std::vector<std::vector<std::size_t>> plan_outline(const std::vector<TrackValue>& x,
                                                   const std::vector<TrackValue>& y,
                                                   double tolerance);

// A JSON text made safe inside an HTML <script> element: every '<' written as
// \u003c, so that no "</script>" or "<!--" in a text can end or change it.
std::string script_safe_json(std::string_view json);

}  // namespace sb

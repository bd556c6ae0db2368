// What the sections of the plot share: the geometry of the page, the
// colours that more than one section uses, the context of one drawing and
// the helpers that write its texts. Internal to the plot (plot.cpp,
// plot_plan.cpp, plot_profile.cpp) and its tests.
//
// The picture is laid out top to bottom: title, plan, profile, legend. Every
// section draws itself below a running y and says how tall it was, so that
// the document's height is known only at the end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "compiler/cell_kinds.h"
#include "tools/plot.h"
#include "tools/svg.h"

namespace sb::plot {

// ---- Page geometry, in px ----

inline constexpr double kPageWidth = 1600;
inline constexpr double kLeft = 130;    // left edge of the plotting area
inline constexpr double kRight = 1470;  // right edge

// ---- Colours used by more than one section ----

inline constexpr const char* kGradientColour = "#1f5fa8";
inline constexpr const char* kSpeedColour = "#d62728";
inline constexpr const char* kMountainColour = "#a0522d";
inline constexpr const char* kStationColour = "#222222";

// ---- One drawing ----

struct PlotContext {
  const PlotData& data;
  std::vector<PlotStation> stations;
  double line_end = 0;  // metres: the line's length, from item 84
  double axis_end = 0;  // metres shown on the profile's x axis
  double km_step = 1;   // km between ticks

  // The x of a metre along the line on the profile (and its lanes).
  double profile_x(double metres) const { return kLeft + (kRight - kLeft) * metres / axis_end; }
};

// ---- Texts ----

// A Windows-1252 text of the item table, trimmed of its padding spaces, as
// UTF-8. Controls, which XML 1.0 does not allow or which would show as
// nothing, become U+FFFD.
std::string readable_text(std::string_view testo);

// A value with a fixed number of decimals, for labels; "0" rather than
// "-0.000", and "?" for a value that is not finite.
std::string fixed_decimals(double v, int digits);

// "km 12.350".
std::string km_text(double metres);

// A round step (1, 2 or 5 times a power of ten) that cuts `span` into about
// `parts` parts.
double round_step(double span, double parts);

// The decimals that a tick label needs for a step.
int step_decimals(double step);

struct TextStyle {
  double size = 12;
  const char* fill = "#222";
  const char* anchor = nullptr;  // text-anchor: nullptr for the default (start)
  bool bold = false;
  bool italic = false;
};

// A <text> at (x, y), its baseline at y.
svg::Element text_at(double x, double y, std::string_view content, const TextStyle& style);

// Adds a text to the page; with `halo` it is drawn twice, first as a white
// outline, so that it stays legible over lines.
void add_label(svg::Element& page, double x, double y, std::string_view content,
               const TextStyle& style, bool halo = false);

void add_section_heading(svg::Element& page, double y, std::string_view heading);

// ---- Markers ----

// Adds the marker of a kind of cell to `parent`, centred on (x, y), as the
// profile's lanes and the legend draw it; nothing for PlotSymbol::kNone.
void add_marker(svg::Element& parent, PlotSymbol symbol, double x, double y);

// ---- Sections: each draws below `top` and returns its height ----

double draw_plan(svg::Element& page, const PlotContext& k, double top);
double draw_profile(svg::Element& page, const PlotContext& k, double top);

}  // namespace sb::plot

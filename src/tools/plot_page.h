// What the sections of the plot share: the geometry of the page, the
// colours that more than one section uses, the context of one drawing and
// the helpers that write its texts. Internal to the plot (plot.cpp,
// plot_plan.cpp, plot_profile.cpp, plot_timetable.cpp) and its tests.
//
// The picture is laid out top to bottom: title, plan, profile, time-distance
// graph, legend. Every section draws itself below a running y and says how
// tall it was, so that the document's height is known only at the end.
//
// Every text goes through the drawing's one LabelSpace (`Labels`): no two
// texts of the page overlap, none leaves the page, and a text that finds no
// free place is left out (what it names keeps its tooltip).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/cell_kinds.h"
#include "tools/label_placement.h"
#include "tools/plot.h"
#include "tools/svg.h"

namespace sb::plot {

// ---- Page geometry, in px ----

inline constexpr double kPageWidth = 1600;
inline constexpr double kLeft = 130;      // left edge of the plotting area
inline constexpr double kRight = 1470;    // right edge
inline constexpr double kPageMargin = 6;  // no text comes nearer the page's edge
// No text comes nearer a frame's edge than this, inside or out.
inline constexpr double kFrameClearance = 2;

// ---- Colours used by more than one section ----

inline constexpr const char* kGradientColour = "#1f5fa8";
inline constexpr const char* kSpeedColour = "#d62728";
inline constexpr const char* kMountainColour = "#a0522d";
inline constexpr const char* kStationColour = "#222222";
inline constexpr const char* kSlowdownColour = "#e377c2";

// ---- Texts ----

struct TextStyle {
  double size = 12;
  const char* fill = "#222";
  TextAnchor anchor = TextAnchor::kStart;
  bool bold = false;
  bool italic = false;
  double room = 1;  // px kept free around the text, on every side
};

// How a label stands out from what lies under it.
enum class LabelLook {
  kPlain,
  kHalo,   // drawn twice, first as a white outline
  kBoxed,  // on a pale box
};

// One place where a label may stand: its anchor point on the baseline, the
// side the text runs from it and the angle it is turned by about it.
struct Spot {
  double x = 0, y = 0;
  TextAnchor anchor = TextAnchor::kStart;
  double degrees = 0;
};

// The texts of one drawing, placed so that none covers another.
class Labels {
 public:
  explicit Labels(const Box& page) : space_(page) {}

  // Draws `content` at the first free one of `spots`, its box reserved;
  // returns the index of the spot, or nullopt when none was free and the
  // label was left out. `tooltip`, when not empty, goes with the text.
  std::optional<std::size_t> add(svg::Element& parent, std::span<const Spot> spots,
                                 std::string_view content, const TextStyle& style,
                                 LabelLook look = LabelLook::kPlain, std::string_view tooltip = {});
  // At (x, y), set at the style's anchor.
  bool add(svg::Element& parent, double x, double y, std::string_view content,
           const TextStyle& style, LabelLook look = LabelLook::kPlain,
           std::string_view tooltip = {});

  // Keeps the labels added from now on within `area` (a frame, a lane), or
  // anywhere on the page again for nullopt.
  void keep_within(std::optional<Box> area) { area_ = area; }

  // A mark, or a band such as a frame's edge, that no label may cover.
  void reserve(const Box& b) { space_.reserve(b); }
  // The box a label would take at `spot`.
  static TurnedBox box_at(const Spot& spot, std::string_view content, const TextStyle& style);

 private:
  LabelSpace space_;
  std::optional<Box> area_;
};

// Keeps labels off the four edges of a frame: a band of kFrameClearance on
// each side of each edge is reserved.
void reserve_frame_edges(Labels& labels, const Box& frame);

// A graph's frame: the pale rectangle with its border, its edges kept free of
// labels.
void add_graph_frame(svg::Element& page, Labels& labels, const Box& frame);

// A shaded band across a graph, from page x `x0` to `x1` (at least 1 px wide),
// `height` down from `top`; the caller adds its tooltip.
svg::Element graph_band(double x0, double x1, double top, double height, const char* fill,
                        const char* opacity);

// ---- One drawing ----

struct PlotContext {
  const PlotData& data;
  std::vector<PlotStation> stations;
  Labels& labels;
  double line_end = 0;    // metres: the line's length, from item 84
  double axis_start = 0;  // metres shown on the profile's x axis: from here
  double axis_end = 0;    // to here
  double km_step = 1;     // km between ticks

  // The x of a metre along the line on the profile (and its lanes).
  double profile_x(double metres) const {
    return kLeft + (kRight - kLeft) * (metres - axis_start) / (axis_end - axis_start);
  }
  bool shown(double metres) const { return metres >= axis_start && metres <= axis_end; }
};

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

// A <text> at (x, y), its baseline at y.
svg::Element text_at(double x, double y, std::string_view content, const TextStyle& style);

void add_section_heading(const PlotContext& k, svg::Element& page, double y,
                         std::string_view heading);

// ---- Markers ----

// Adds the marker of a kind of cell to `parent`, centred on (x, y), as the
// profile's lanes and the legend draw it; nothing for PlotSymbol::kNone.
void add_marker(svg::Element& parent, PlotSymbol symbol, double x, double y);

// ---- Sections: each draws below `top` and returns its height ----

double draw_plan(svg::Element& page, const PlotContext& k, double top);
double draw_profile(svg::Element& page, const PlotContext& k, double top);
double draw_timetable_graph(svg::Element& page, const PlotContext& k, double top);

}  // namespace sb::plot

// The table of cell kinds: for each `genere`, what it is called in an
// author's words, how the row that writes it places it on a cell, and how
// the plot shows it. The storers' messages, the diagnostics, the dump and the
// plot all read it, so that a kind is named and placed the same way
// everywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "compiler/route_model.h"

namespace sb {

// How a position in metres becomes a cell, and where on the line the element
// of a cell stands.
enum class Placement : std::uint8_t {
  kPoint,       // a point element at p: cell arrotonda(p / 50 + 1), standing at (c - 1) x 50
  kCellStart,   // cell arrotonda(p / 50), standing at c x 50 (abbattimento, marks, spans)
  kStationEnd,  // a station area ending at e: cell arrotonda(e / 50 - 1), standing at (c + 1) x 50
  kWarningPoint,   // the warning point of a slowdown at x: cell arrotonda((x - 1200) / 50 + 1)
  kBeforeWarning,  // the first cell before that warning point: arrotonda((x - 1200) / 50)
};

// The distance of a slowdown's warning point before its start, in metres.
inline constexpr Long kWarningDistance = 1200;

// The cell that a row at position p (its first field) places its element in.
std::int64_t cell_of(Placement placement, Long p);
// The metre at which the element of cell c stands on the line.
double metre_of(Placement placement, std::int64_t c);

// The lanes of markers under the plot's profile, top to bottom.
enum class PlotLane : std::uint8_t {
  kNone,
  kSignals,
  kBoards,
  kSigns,
  kStationEnds,
  kSlowdowns,
  kMarks
};
inline constexpr int kPlotLaneCount = 6;  // the lanes after kNone

// The marker of a kind in the plot.
enum class PlotSymbol : std::uint8_t {
  kNone,
  kMast,        // a mast with a lamp
  kSquare,      // a filled square
  kDiamond,     // a filled diamond
  kBar,         // an upright bar
  kTriangle,    // a warning triangle
  kArrowAhead,  // a triangle pointing ahead
  kArrowBack,   // a triangle pointing back
  kDot,         // a filled dot
  kRing,        // an open ring
};

struct CellKindInfo {
  Byte genere;
  std::string_view name;     // "signal": what the author wrote, or what the compiler made
  std::string_view article;  // "a", "an" or "" (for a plural such as "speed indicator boards")
  Placement placement;
  PlotLane lane;
  PlotSymbol symbol;
};

// Every kind the compiler writes, in ascending order of `genere`.
std::span<const CellKindInfo> cell_kind_table();

// The entry of a kind; nullptr for a value the compiler never writes.
const CellKindInfo* cell_kind(Byte genere);

// "a signal", "speed indicator boards"; "an element of kind 7" for a kind
// the compiler never writes.
std::string kind_with_article(Byte genere);

// "Signal", "Speed indicator boards": for titles and legends.
std::string kind_title(Byte genere);

// The name of a lane: "Signals".
std::string_view lane_name(PlotLane lane);

}  // namespace sb

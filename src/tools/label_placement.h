// Where the plot puts its labels so that none covers another.
//
// On the plan a label may go to one of a few places beside the track; it
// takes the first place whose box is free (inside the frame, overlapping no
// box taken before it) and is left out when none is. Above the profile the
// slanted station names stand in one row, spread apart along it.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace sb {

// A box on the page, in px, with x0 <= x1 and y0 <= y1.
struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;

  // Whether the two boxes share some of their inside; boxes that only touch
  // along an edge do not overlap.
  bool overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
  // Whether the box lies entirely within `frame`.
  bool within(const Box& frame) const {
    return x0 >= frame.x0 && x1 <= frame.x1 && y0 >= frame.y0 && y1 <= frame.y1;
  }
};

// The boxes taken in a frame: the labels placed so far and the marks that
// labels must keep clear of.
class LabelSpace {
 public:
  explicit LabelSpace(const Box& frame) : frame_(frame) {}

  // Takes a box whatever it overlaps: a mark that no label may cover.
  void reserve(const Box& b) { taken_.push_back(b); }
  // Whether a label could take `b`: it lies within the frame and overlaps
  // nothing taken.
  bool is_free(const Box& b) const;
  // Takes the first of the candidates that is free and returns its index;
  // takes nothing and returns nullopt when none is free.
  std::optional<std::size_t> place(std::span<const Box> candidates);

  const std::vector<Box>& taken() const { return taken_; }

 private:
  Box frame_;
  std::vector<Box> taken_;
};

// The number of characters (code points) of a UTF-8 text.
std::size_t character_count(std::string_view utf8);

// The width of a text set in `font_size` px, estimated from its number of
// characters: the plot does not measure glyphs.
double estimated_text_width(std::string_view utf8, double font_size);

// Spreads labels along a row so that neighbours stand at least `gap` apart,
// each as near to its anchor as that allows, all within [low, high]. A label
// keeps its anchor when it has room there; crowded labels are pushed
// forward, and those that would then run past `high` back again.
//
// Returns each anchor's label position, in the order of `anchors` (which
// need not be sorted). When the row cannot hold them all, labels evenly
// spread through the crowd are left out (nullopt) until the rest fit; a
// label whose anchor is not a finite number is left out too.
std::vector<std::optional<double>> spread_along_row(std::span<const double> anchors, double gap,
                                                    double low, double high);

}  // namespace sb

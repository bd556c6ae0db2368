// Where the plot puts its labels so that none covers another.
//
// Every text of the plot is placed through one LabelSpace: a label may go
// to one of a few places; it takes the first whose box is free (inside the
// frame, overlapping no box taken before it) and is left out when none is.
// A label's box is estimated from the advance widths of the page's font, and
// may be turned (the slanted station names) about its anchor. Above the
// profile the slanted station names stand in one row, spread apart along it
// first.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
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
  // The box grown by `d` on every side (shrunk for a negative d).
  Box grown(double d) const { return {x0 - d, y0 - d, x1 + d, y1 + d}; }
};

struct Point {
  double x = 0, y = 0;
};

// A box turned by `degrees` (clockwise on the page, as SVG's rotate) about
// the point `pivot`: the box of a turned text.
struct TurnedBox {
  Box box;  // before turning
  double degrees = 0;
  Point pivot{};

  TurnedBox() = default;
  TurnedBox(const Box& b, double turn = 0, Point about = {})
      : box(b), degrees(turn), pivot(about) {}

  std::array<Point, 4> corners() const;
  // The smallest upright box around it.
  Box bounds() const;
  // Whether the two share some of their inside (separating axes); boxes
  // that only touch do not overlap.
  bool overlaps(const TurnedBox& o) const;
  bool within(const Box& frame) const { return bounds().within(frame); }
};

// The boxes taken in a frame: the labels placed so far and the marks that
// labels must keep clear of.
class LabelSpace {
 public:
  explicit LabelSpace(const Box& frame) : frame_(frame) {}

  // Takes a box whatever it overlaps: a mark that no label may cover.
  void reserve(const TurnedBox& b);
  void reserve(const Box& b) { reserve(TurnedBox(b)); }
  // Whether a label could take `b`: it lies within the frame and overlaps
  // nothing taken.
  bool is_free(const TurnedBox& b) const;
  // Takes the first of the candidates that is free and returns its index;
  // takes nothing and returns nullopt when none is free.
  std::optional<std::size_t> place(std::span<const Box> candidates);
  std::optional<std::size_t> place(std::span<const TurnedBox> candidates);

  const std::vector<TurnedBox>& taken() const { return taken_; }
  const Box& frame() const { return frame_; }

 private:
  // The taken boxes are filed by the columns of the frame they cross, so
  // that a test looks only at its neighbours.
  static constexpr double kColumnWidth = 64;
  std::pair<long, long> columns(const Box& bounds) const;
  void take(const TurnedBox& b);

  Box frame_;
  std::vector<TurnedBox> taken_;
  std::unordered_map<long, std::vector<std::size_t>> by_column_;
};

// The number of characters (code points) of a UTF-8 text.
std::size_t character_count(std::string_view utf8);

// The width of a text set in `font_size` px in the page's sans-serif font,
// from the advance widths of its printable ASCII characters (a letter
// beyond ASCII counts as a wide one): the plot does not measure glyphs.
double estimated_text_width(std::string_view utf8, double font_size, bool bold = false);

enum class TextAnchor { kStart, kMiddle, kEnd };

// The box that a one-line text covers, with its baseline at (x, y) and set
// at `anchor`, turned by `degrees` about (x, y): from the font's ascent to
// its descent, `pad` px wider on every side.
TurnedBox text_box(double x, double y, std::string_view utf8, double font_size, TextAnchor anchor,
                   bool bold = false, double degrees = 0, double pad = 1);

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

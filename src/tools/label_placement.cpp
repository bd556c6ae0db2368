#include "tools/label_placement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace sb {

namespace {

// The advance widths of the characters 32 to 126 of the page's sans-serif
// font, in thousandths of an em, upright and bold.
constexpr std::array<short, 95> kRegularWidths = {
    318, 401, 460, 838, 636, 950, 780, 275, 390, 390, 500, 838, 318, 361,  318, 337, 636, 636, 636,
    636, 636, 636, 636, 636, 636, 636, 337, 337, 838, 838, 838, 531, 1000, 684, 686, 698, 770, 632,
    575, 775, 752, 295, 295, 656, 557, 863, 748, 787, 603, 787, 695, 635,  611, 732, 684, 989, 685,
    611, 685, 390, 337, 390, 838, 500, 500, 613, 635, 550, 635, 615, 352,  635, 634, 278, 278, 579,
    278, 974, 634, 612, 635, 635, 411, 521, 392, 634, 592, 818, 592, 592,  525, 636, 337, 636, 838};
constexpr std::array<short, 95> kBoldWidths = {
    348,  456, 521, 838, 696, 1002, 872, 306,  457, 457, 523, 838, 380, 415,  380, 365,
    696,  696, 696, 696, 696, 696,  696, 696,  696, 696, 400, 400, 838, 838,  838, 580,
    1000, 774, 762, 734, 830, 683,  683, 821,  837, 372, 372, 775, 637, 995,  837, 850,
    733,  850, 770, 720, 682, 812,  774, 1103, 771, 724, 725, 457, 365, 457,  838, 500,
    500,  675, 716, 593, 716, 678,  435, 716,  712, 343, 343, 665, 343, 1042, 712, 687,
    716,  716, 493, 595, 478, 712,  652, 924,  645, 652, 582, 712, 365, 712,  838};
// A character beyond ASCII: as wide as a wide capital.
constexpr double kOtherWidth = 800;
// The font's ascent and descent, in em, with a little room.
constexpr double kAscent = 0.80;
constexpr double kDescent = 0.24;

struct Interval {
  double low, high;
};

Interval project(const std::array<Point, 4>& corners, Point axis) {
  Interval r{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
  for (const Point& p : corners) {
    const double d = p.x * axis.x + p.y * axis.y;
    r.low = std::min(r.low, d);
    r.high = std::max(r.high, d);
  }
  return r;
}

}  // namespace

std::array<Point, 4> TurnedBox::corners() const {
  const std::array<Point, 4> upright = {Point{box.x0, box.y0}, Point{box.x1, box.y0},
                                        Point{box.x1, box.y1}, Point{box.x0, box.y1}};
  if (degrees == 0) return upright;
  const double a = degrees * std::numbers::pi / 180;
  const double c = std::cos(a), s = std::sin(a);
  std::array<Point, 4> turned;
  for (std::size_t i = 0; i < 4; ++i) {
    const double dx = upright[i].x - pivot.x, dy = upright[i].y - pivot.y;
    turned[i] = {pivot.x + dx * c - dy * s, pivot.y + dx * s + dy * c};
  }
  return turned;
}

Box TurnedBox::bounds() const {
  if (degrees == 0) return box;
  const auto p = corners();
  Box b{p[0].x, p[0].y, p[0].x, p[0].y};
  for (const Point& q : p) {
    b.x0 = std::min(b.x0, q.x);
    b.y0 = std::min(b.y0, q.y);
    b.x1 = std::max(b.x1, q.x);
    b.y1 = std::max(b.y1, q.y);
  }
  return b;
}

bool TurnedBox::overlaps(const TurnedBox& o) const {
  if (degrees == 0 && o.degrees == 0) return box.overlaps(o.box);
  if (!bounds().overlaps(o.bounds())) return false;
  const auto mine = corners();
  const auto theirs = o.corners();
  // Two rectangles are apart when the projections on one of their four edge
  // directions are; a shared edge or corner is not an overlap.
  constexpr double kTouch = 1e-9;
  for (const double d : {degrees, o.degrees}) {
    const double a = d * std::numbers::pi / 180;
    for (const Point axis : {Point{std::cos(a), std::sin(a)}, Point{-std::sin(a), std::cos(a)}}) {
      const Interval p = project(mine, axis), q = project(theirs, axis);
      if (p.high <= q.low + kTouch || q.high <= p.low + kTouch) return false;
    }
  }
  return true;
}

std::pair<long, long> LabelSpace::columns(const Box& bounds) const {
  const double x0 = std::clamp(bounds.x0, frame_.x0, frame_.x1);
  const double x1 = std::clamp(bounds.x1, frame_.x0, frame_.x1);
  return {static_cast<long>(std::floor((x0 - frame_.x0) / kColumnWidth)),
          static_cast<long>(std::floor((x1 - frame_.x0) / kColumnWidth))};
}

void LabelSpace::take(const TurnedBox& b) {
  const Box bounds = b.bounds();
  // A box beside the frame, or not a box at all, can never meet a label
  // within it.
  if (!bounds.overlaps(frame_) && !bounds.within(frame_)) return;
  taken_.push_back(b);
  const auto [first, last] = columns(bounds);
  for (long c = first; c <= last; ++c) by_column_[c].push_back(taken_.size() - 1);
}

void LabelSpace::reserve(const TurnedBox& b) {
  take(b);
}

bool LabelSpace::is_free(const TurnedBox& b) const {
  if (!b.within(frame_)) return false;
  const auto [first, last] = columns(b.bounds());
  for (long c = first; c <= last; ++c) {
    const auto found = by_column_.find(c);
    if (found == by_column_.end()) continue;
    for (const std::size_t i : found->second) {
      if (b.overlaps(taken_[i])) return false;
    }
  }
  return true;
}

std::optional<std::size_t> LabelSpace::place(std::span<const TurnedBox> candidates) {
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (is_free(candidates[i])) {
      take(candidates[i]);
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> LabelSpace::place(std::span<const Box> candidates) {
  std::vector<TurnedBox> turned(candidates.begin(), candidates.end());
  return place(std::span<const TurnedBox>(turned));
}

std::size_t character_count(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

double estimated_text_width(std::string_view utf8, double font_size, bool bold) {
  const auto& widths = bold ? kBoldWidths : kRegularWidths;
  double thousandths = 0;
  for (const char ch : utf8) {
    const auto b = static_cast<unsigned char>(ch);
    if ((b & 0xC0) == 0x80) continue;  // inside a character beyond ASCII
    thousandths += b >= 32 && b <= 126 ? widths[b - 32] : kOtherWidth;
  }
  return thousandths / 1000 * font_size;
}

TurnedBox text_box(double x, double y, std::string_view utf8, double font_size, TextAnchor anchor,
                   bool bold, double degrees, double pad) {
  const double w = estimated_text_width(utf8, font_size, bold);
  const double x0 = anchor == TextAnchor::kStart ? x
                    : anchor == TextAnchor::kEnd ? x - w
                                                 : x - w / 2;
  const Box b{x0 - pad, y - font_size * kAscent - pad, x0 + w + pad,
              y + font_size * kDescent + pad};
  return TurnedBox(b, degrees, Point{x, y});
}

std::vector<std::optional<double>> spread_along_row(std::span<const double> anchors, double gap,
                                                    double low, double high) {
  std::vector<std::optional<double>> placed(anchors.size());
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < anchors.size(); ++i) {
    if (std::isfinite(anchors[i])) order.push_back(i);
  }
  if (order.empty() || !(high >= low)) return placed;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return anchors[a] < anchors[b]; });
  const double step = gap > 0 ? gap : 0;

  // How many labels the row holds, and which of them stay when it cannot
  // hold them all: the first, the last and others at even intervals.
  std::vector<std::size_t> kept = order;
  if (step > 0) {
    const double room = std::floor((high - low) / step) + 1;
    if (room < static_cast<double>(order.size())) {
      const auto count = static_cast<std::size_t>(room);
      kept.clear();
      for (std::size_t j = 0; j < count; ++j) {
        const double at = count == 1
                              ? 0
                              : static_cast<double>(j) * static_cast<double>(order.size() - 1) /
                                    static_cast<double>(count - 1);
        kept.push_back(order[static_cast<std::size_t>(std::llround(at))]);
      }
    }
  }

  // Forward: each label at its anchor or one gap after the label before it.
  std::vector<double> x(kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const double anchor = anchors[kept[i]];
    x[i] = i == 0 ? std::max(anchor, low) : std::max(anchor, x[i - 1] + step);
  }
  // Backward: none past `high`, and each one gap before the label after it.
  for (std::size_t i = kept.size(); i-- > 0;) {
    x[i] = std::min(x[i], i + 1 == kept.size() ? high : x[i + 1] - step);
  }
  for (std::size_t i = 0; i < kept.size(); ++i) placed[kept[i]] = x[i];
  return placed;
}

}  // namespace sb

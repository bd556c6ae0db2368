#include "tools/label_placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <vector>

namespace sb {
namespace {

// ---- Boxes on the plan ----

TEST(LabelBox, OverlapMeansSharingInsideNotTouching) {
  const Box b{10, 10, 20, 20};
  const struct {
    const char* what;
    Box other;
    bool overlaps;
  } cases[] = {
      {"the same box", {10, 10, 20, 20}, true},
      {"inside it", {12, 12, 18, 18}, true},
      {"around it", {0, 0, 30, 30}, true},
      {"across one corner", {18, 18, 25, 25}, true},
      {"across one side only", {15, 0, 16, 30}, true},
      {"touching the right edge", {20, 10, 30, 20}, false},
      {"touching the top edge", {10, 0, 20, 10}, false},
      {"touching a corner", {20, 20, 30, 30}, false},
      {"apart", {40, 40, 50, 50}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(b.overlaps(c.other), c.overlaps) << c.what;
    EXPECT_EQ(c.other.overlaps(b), c.overlaps) << c.what << ", the other way round";
  }
}

TEST(LabelSpace, TakesTheFirstFreeCandidateOrNothing) {
  LabelSpace space(Box{0, 0, 100, 100});
  space.reserve({40, 40, 60, 60});  // a station's dot

  // Over the dot, half out of the frame, then free: the third is taken.
  const Box first[] = {{45, 45, 70, 55}, {90, 10, 110, 20}, {10, 10, 30, 20}};
  EXPECT_EQ(space.place(first), 2u);
  ASSERT_EQ(space.taken().size(), 2u);

  // The place just taken is no longer free; the next one touching it is.
  const Box second[] = {{10, 10, 30, 20}, {30, 10, 40, 20}};
  EXPECT_EQ(space.place(second), 1u);

  // No free candidate: the label is left out and takes nothing.
  const Box crowded[] = {{15, 12, 35, 18}, {50, 50, 55, 55}, {-5, 0, 5, 10}};
  EXPECT_EQ(space.place(crowded), std::nullopt);
  EXPECT_EQ(space.place(std::span<const Box>()), std::nullopt);
  EXPECT_EQ(space.taken().size(), 3u);
}

// The outcome of placing labels one after another.
struct Outcome {
  std::vector<Box> placed;
  std::vector<std::vector<Box>> left_out;  // the candidates of each label left out
};

void place(LabelSpace& space, const std::vector<Box>& candidates, Outcome& o) {
  if (const auto i = space.place(candidates)) {
    o.placed.push_back(candidates[*i]);
  } else {
    o.left_out.push_back(candidates);
  }
}

// Every label placed lies in the frame and overlaps no other label nor a
// reserved box, and every label left out had no candidate that was free.
void expect_no_overlap(const Outcome& o, const Box& frame, const std::vector<Box>& reserved) {
  for (std::size_t i = 0; i < o.placed.size(); ++i) {
    ASSERT_TRUE(o.placed[i].within(frame)) << "label " << i;
    for (std::size_t j = i + 1; j < o.placed.size(); ++j) {
      ASSERT_FALSE(o.placed[i].overlaps(o.placed[j])) << "labels " << i << " and " << j;
    }
    for (const Box& r : reserved) ASSERT_FALSE(o.placed[i].overlaps(r)) << "label " << i;
  }
  const auto blocked_by = [](const Box& b, const std::vector<Box>& boxes) {
    return std::any_of(boxes.begin(), boxes.end(), [&](const Box& t) { return b.overlaps(t); });
  };
  for (const auto& candidates : o.left_out) {
    for (const Box& b : candidates) {
      ASSERT_TRUE(!b.within(frame) || blocked_by(b, o.placed) || blocked_by(b, reserved))
          << "a label was left out although (" << b.x0 << ", " << b.y0 << ") was free";
    }
  }
}

TEST(LabelSpace, ManyStationsCloseTogetherNeverOverlap) {
  // Fifty stations 4 px apart along a straight track, each label trying
  // both sides at two distances, as the plan does.
  const Box frame{0, 0, 400, 200};
  LabelSpace space(frame);
  std::vector<Box> dots;
  for (int i = 0; i < 50; ++i) dots.push_back({100.0 + 4 * i - 6, 94, 100.0 + 4 * i + 6, 106});
  for (const Box& d : dots) space.reserve(d);
  Outcome o;
  for (int i = 0; i < 50; ++i) {
    const double x = 100.0 + 4 * i;
    place(space,
          {{x - 30, 70, x + 30, 84},
           {x - 30, 116, x + 30, 130},
           {x - 30, 52, x + 30, 66},
           {x - 30, 134, x + 30, 148}},
          o);
  }
  EXPECT_GT(o.placed.size(), 4u);
  EXPECT_FALSE(o.left_out.empty());
  expect_no_overlap(o, frame, dots);
}

TEST(LabelSpace, RandomLabelsNeverOverlap) {
  std::mt19937 random(5127);
  std::uniform_real_distribution<double> at(-50, 650);
  std::uniform_real_distribution<double> size(2, 80);
  std::uniform_int_distribution<int> count(1, 5);
  const Box frame{0, 0, 600, 400};
  for (int round = 0; round < 20; ++round) {
    LabelSpace space(frame);
    std::vector<Box> reserved;
    for (int i = 0; i < 10; ++i) {
      const double x = at(random), y = at(random);
      reserved.push_back({x, y, x + 12, y + 12});
      space.reserve(reserved.back());
    }
    Outcome o;
    for (int label = 0; label < 150; ++label) {
      std::vector<Box> candidates;
      for (int i = count(random); i > 0; --i) {
        const double x = at(random), y = at(random);
        candidates.push_back({x, y, x + size(random), y + size(random) / 3});
      }
      place(space, candidates, o);
    }
    expect_no_overlap(o, frame, reserved);
    EXPECT_FALSE(o.left_out.empty()) << "round " << round << " was not crowded";
  }
}

TEST(LabelText, WidthCountsCharactersNotBytes) {
  EXPECT_EQ(character_count(""), 0u);
  EXPECT_EQ(character_count("PIEVE"), 5u);
  EXPECT_EQ(character_count("Caff\xC3\xA8 \xE2\x80\x94"), 7u);
  // A letter beyond ASCII counts once, however many bytes it takes.
  EXPECT_DOUBLE_EQ(estimated_text_width("Caff\xC3\xA8", 10),
                   estimated_text_width("Caff", 10) + estimated_text_width("\xE2\x80\x94", 10));
  // Widths follow the font: capitals are wider than thin letters, bold is
  // wider than upright, and the width grows with the size.
  EXPECT_GT(estimated_text_width("MMMM", 10), 2 * estimated_text_width("iiii", 10));
  EXPECT_GT(estimated_text_width("SAN MARCO", 13, true), estimated_text_width("SAN MARCO", 13));
  EXPECT_DOUBLE_EQ(estimated_text_width("Caffe", 14), 1.4 * estimated_text_width("Caffe", 10));
}

// ---- Turned boxes ----

TEST(LabelBox, TurnedBoxesOverlapByTheirTurnedShape) {
  // Two slanted names side by side: their upright bounds cross, their boxes
  // do not; one turned onto the other does.
  const TurnedBox a(Box{0, -10, 100, 3}, -50, Point{0, 0});
  const TurnedBox beside(Box{20, -10, 120, 3}, -50, Point{20, 0});
  const TurnedBox near(Box{12, -10, 112, 3}, -50, Point{12, 0});
  EXPECT_TRUE(a.bounds().overlaps(beside.bounds()));
  EXPECT_FALSE(a.overlaps(beside));
  EXPECT_FALSE(beside.overlaps(a));
  EXPECT_TRUE(a.overlaps(near));
  // Against an upright box: one in the angle under the slant is clear, one on
  // its way is not.
  EXPECT_FALSE(a.overlaps(TurnedBox(Box{40, -10, 60, 0})));
  EXPECT_TRUE(a.overlaps(TurnedBox(Box{40, -60, 60, -40})));
  // Turned a quarter, a box takes the place of its upright twin.
  const TurnedBox quarter(Box{0, 0, 40, 10}, 90, Point{0, 0});
  EXPECT_NEAR(quarter.bounds().x0, -10, 1e-9);
  EXPECT_NEAR(quarter.bounds().y1, 40, 1e-9);
}

TEST(LabelSpace, FilesBoxesByColumnsWithoutMissingAny) {
  // A wide reserved box, and a box beyond the frame, against candidates far
  // apart along the row.
  LabelSpace space(Box{0, 0, 1000, 100});
  space.reserve(Box{10, 10, 990, 20});
  space.reserve(Box{-500, 50, -400, 60});
  space.reserve(Box{5000, 50, 6000, 60});
  for (double x = 10; x < 980; x += 37) {
    EXPECT_FALSE(space.is_free(TurnedBox(Box{x, 15, x + 5, 18}))) << x;
    EXPECT_TRUE(space.is_free(TurnedBox(Box{x, 50, x + 5, 60}))) << x;
  }
  EXPECT_FALSE(space.is_free(TurnedBox(Box{995, 50, 1005, 60}))) << "outside the frame";
}

// ---- Names spread along a row ----

// The placed labels, in the order of their anchors, stand at least `gap`
// apart within [low, high] and never cross (a label's leader would).
void expect_spread(const std::vector<double>& anchors, const std::vector<std::optional<double>>& x,
                   double gap, double low, double high) {
  ASSERT_EQ(x.size(), anchors.size());
  std::vector<std::pair<double, double>> placed;  // anchor, label
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (x[i]) placed.emplace_back(anchors[i], *x[i]);
  }
  std::stable_sort(placed.begin(), placed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i < placed.size(); ++i) {
    ASSERT_GE(placed[i].second, low - 1e-9);
    ASSERT_LE(placed[i].second, high + 1e-9);
    if (i > 0) {
      ASSERT_GE(placed[i].second - placed[i - 1].second, gap - 1e-9) << "label " << i;
    }
  }
}

TEST(LabelRow, LabelsWithRoomStayAtTheirAnchorsAndCrowdedOnesMove) {
  const struct {
    const char* what;
    std::vector<double> anchors;
    std::vector<double> placed;
  } cases[] = {
      {"room for all", {200, 300, 400}, {200, 300, 400}},
      {"just room", {200, 217, 234}, {200, 217, 234}},
      {"three at one place", {200, 200, 200}, {200, 217, 234}},
      {"crowded at the end", {1460, 1465, 1470}, {1436, 1453, 1470}},
      {"anchor beyond the end", {1500}, {1470}},
      {"anchor before the start", {0, 140}, {130, 147}},
      {"not in order", {400, 200, 200}, {400, 200, 217}},
  };
  for (const auto& c : cases) {
    const auto x = spread_along_row(c.anchors, 17, 130, 1470);
    ASSERT_EQ(x.size(), c.placed.size()) << c.what;
    for (std::size_t i = 0; i < x.size(); ++i) {
      ASSERT_TRUE(x[i].has_value()) << c.what;
      EXPECT_NEAR(*x[i], c.placed[i], 1e-9) << c.what << ", label " << i;
    }
  }
}

TEST(LabelRow, ManyNamesCloseTogetherAllFitApart) {
  // Sixty stations within 300 m: the row holds them all.
  std::vector<double> anchors;
  for (int i = 0; i < 60; ++i) anchors.push_back(700 + 0.5 * i);
  const auto x = spread_along_row(anchors, 17, 130, 1470);
  EXPECT_EQ(std::count(x.begin(), x.end(), std::nullopt), 0);
  expect_spread(anchors, x, 17, 130, 1470);
}

TEST(LabelRow, NamesThatFindNoRoomAreLeftOut) {
  // A row of 340 px holds 21 labels 17 px apart; 100 are asked for.
  std::vector<double> anchors;
  for (int i = 0; i < 100; ++i) anchors.push_back(i);
  const auto x = spread_along_row(anchors, 17, 0, 340);
  EXPECT_EQ(std::count_if(x.begin(), x.end(), [](const auto& v) { return v.has_value(); }), 21);
  EXPECT_TRUE(x.front().has_value());
  EXPECT_TRUE(x.back().has_value());
  expect_spread(anchors, x, 17, 0, 340);

  // Anchors that are no number, and a row of no length, give no label.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> odd = {nan, 200, std::numeric_limits<double>::infinity()};
  const auto y = spread_along_row(odd, 17, 130, 1470);
  EXPECT_EQ(y[0], std::nullopt);
  EXPECT_EQ(y[1], 200);
  EXPECT_EQ(y[2], std::nullopt);
  const auto z = spread_along_row(odd, 17, 300, 200);
  EXPECT_EQ(std::count(z.begin(), z.end(), std::nullopt), 3);
}

TEST(LabelRow, RandomRowsNeverOverlap) {
  std::mt19937 random(1600);
  std::uniform_int_distribution<int> count(0, 120);
  std::uniform_real_distribution<double> gap(1, 40);
  for (int round = 0; round < 500; ++round) {
    const double low = 130, high = 130 + std::uniform_real_distribution<double>(0, 1400)(random);
    std::uniform_real_distribution<double> anchor(low - 50, high + 50);
    std::vector<double> anchors(static_cast<std::size_t>(count(random)));
    for (double& a : anchors) a = anchor(random);
    const double g = gap(random);
    const auto x = spread_along_row(anchors, g, low, high);
    expect_spread(anchors, x, g, low, high);
    // As many labels as the row holds are placed, never fewer.
    const auto holds = static_cast<std::size_t>(std::floor((high - low) / g)) + 1;
    const auto placed = static_cast<std::size_t>(
        std::count_if(x.begin(), x.end(), [](const auto& v) { return v.has_value(); }));
    ASSERT_EQ(placed, std::min(anchors.size(), holds)) << "round " << round;
  }
}

}  // namespace
}  // namespace sb

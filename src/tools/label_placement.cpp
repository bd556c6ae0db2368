#include "tools/label_placement.h"

#include <algorithm>
#include <cmath>

namespace sb {

bool LabelSpace::is_free(const Box& b) const {
  if (!b.within(frame_)) return false;
  return std::none_of(taken_.begin(), taken_.end(), [&](const Box& t) { return b.overlaps(t); });
}

std::optional<std::size_t> LabelSpace::place(std::span<const Box> candidates) {
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (is_free(candidates[i])) {
      taken_.push_back(candidates[i]);
      return i;
    }
  }
  return std::nullopt;
}

std::size_t character_count(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

double estimated_text_width(std::string_view utf8, double font_size) {
  return static_cast<double>(character_count(utf8)) * font_size * 0.6;
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

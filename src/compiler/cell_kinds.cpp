#include "compiler/cell_kinds.h"

#include <algorithm>
#include <array>

namespace sb {

namespace {

constexpr std::array<CellKindInfo, 12> kKinds = {{
    {kFree, "free cell", "a", Placement::kCellStart, PlotLane::kNone, PlotSymbol::kNone},
    {kSignal, "signal", "a", Placement::kPoint, PlotLane::kSignals, PlotSymbol::kMast},
    {kSlowdownEnd, "slowdown end", "a", Placement::kPoint, PlotLane::kSlowdowns,
     PlotSymbol::kArrowBack},
    {kSlowdownStart, "slowdown start", "a", Placement::kPoint, PlotLane::kSlowdowns,
     PlotSymbol::kArrowAhead},
    {kSlowdownWarning, "slowdown warning point", "a", Placement::kWarningPoint,
     PlotLane::kSlowdowns, PlotSymbol::kTriangle},
    {kBeforeWarning, "cell before a slowdown warning point", "a", Placement::kBeforeWarning,
     PlotLane::kNone, PlotSymbol::kNone},
    {kSpeedBoards, "speed indicator boards", "", Placement::kPoint, PlotLane::kBoards,
     PlotSymbol::kSquare},
    {kStationEnd, "station end mark", "a", Placement::kStationEnd, PlotLane::kStationEnds,
     PlotSymbol::kBar},
    {kMountainMark, "mountain mark", "a", Placement::kCellStart, PlotLane::kNone,
     PlotSymbol::kNone},
    {kMark, "abbattimento mark", "an", Placement::kCellStart, PlotLane::kMarks, PlotSymbol::kDot},
    {kMarkWithoutValue, "abbattimento mark without a value", "an", Placement::kCellStart,
     PlotLane::kMarks, PlotSymbol::kRing},
    {kSign, "sign", "a", Placement::kPoint, PlotLane::kSigns, PlotSymbol::kDiamond},
}};

static_assert(std::is_sorted(kKinds.begin(), kKinds.end(),
                             [](const CellKindInfo& a, const CellKindInfo& b) {
                               return a.genere < b.genere;
                             }),
              "the kind table is in ascending order of genere");

constexpr std::array<std::string_view, kPlotLaneCount + 1> kLaneNames = {
    "", "Signals", "Speed boards", "Signs", "Station ends", "Slowdowns", "Marks"};

}  // namespace

std::int64_t cell_of(Placement placement, Long p) {
  const double metres = static_cast<double>(p);
  switch (placement) {
    case Placement::kPoint:
      return indice_cella(p);
    case Placement::kCellStart:
      return arrotonda(metres / 50.0);
    case Placement::kStationEnd:
      return arrotonda(metres / 50.0 - 1);
    case Placement::kWarningPoint:
      return arrotonda((metres - kWarningDistance) / 50.0 + 1);
    case Placement::kBeforeWarning:
      return arrotonda((metres - kWarningDistance) / 50.0);
  }
  return 0;
}

double metre_of(Placement placement, std::int64_t c) {
  const double start = static_cast<double>(c) * kCellLength;
  switch (placement) {
    case Placement::kPoint:
    case Placement::kWarningPoint:
      return std::max(0.0, start - kCellLength);
    case Placement::kStationEnd:
      return start + kCellLength;
    case Placement::kCellStart:
    case Placement::kBeforeWarning:
      break;
  }
  return start;
}

std::span<const CellKindInfo> cell_kind_table() {
  return kKinds;
}

const CellKindInfo* cell_kind(Byte genere) {
  const auto it = std::find_if(kKinds.begin(), kKinds.end(),
                               [&](const CellKindInfo& k) { return k.genere == genere; });
  return it == kKinds.end() ? nullptr : &*it;
}

std::string kind_with_article(Byte genere) {
  const CellKindInfo* k = cell_kind(genere);
  if (k == nullptr) return "an element of kind " + std::to_string(genere);
  std::string s(k->article);
  if (!s.empty()) s += ' ';
  s += k->name;
  return s;
}

std::string kind_title(Byte genere) {
  const CellKindInfo* k = cell_kind(genere);
  std::string s = k == nullptr ? "Kind " + std::to_string(genere) : std::string(k->name);
  if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
  return s;
}

std::string_view lane_name(PlotLane lane) {
  return kLaneNames[static_cast<std::size_t>(lane)];
}

}  // namespace sb

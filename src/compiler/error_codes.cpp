#include "compiler/error_codes.h"

#include <algorithm>
#include <array>

#include "compiler/compiled_files.h"
#include "compiler/input_limits.h"

namespace sb {

namespace {

using P = Placement;
constexpr auto kRow = CodeTarget::kRow;
constexpr auto kCell = CodeTarget::kCell;
constexpr auto kNothing = CodeTarget::kNothing;
constexpr std::optional<Placement> kNoCell;

constexpr std::array<ErrorCodeInfo, 37> kTable = {{
    {kNoError, "no error", {}, false, kNothing, kNoCell, false},
    {kLineTooLong, "line length above {} m", {kMaxLineLength}, false, kRow, kNoCell, false},
    {kProgressiveNotMultiple,
     "kilometric progressive bound not a multiple of {}",
     {kCellLength},
     false,
     kNothing,
     kNoCell,
     false},
    {kRepetitionStart,
     "signal repetition start not a multiple of {}",
     {kCellLength},
     false,
     kRow,
     kNoCell,
     false},
    {kRepetitionEnd,
     "signal repetition end not a multiple of {}",
     {kCellLength},
     false,
     kRow,
     kNoCell,
     false},
    {kRepetitionCodes,
     "signal repetition keyword holds neither \"4\" nor \"9\"",
     {},
     false,
     kRow,
     kNoCell,
     false},
    {kSignCellTaken, "sign on a cell that is already taken", {}, true, kRow, P::kPoint, false},
    {kAbbattimentoCellTaken,
     "abbattimento point on a cell that is already taken",
     {},
     true,
     kRow,
     P::kCellStart,
     false},
    {kStationNotMultipleOf50,
     "station position not a multiple of {}",
     {kCellLength},
     true,
     kRow,
     kNoCell,
     false},
    {kStationLength,
     "station length not a multiple of {}",
     {kStationLengthUnit},
     true,
     kRow,
     kNoCell,
     false},
    {kTooManyStations,
     "too many stations: the station items reached the sign texts",
     {},
     false,
     kRow,
     kNoCell,
     false},
    {kNoRoomBeforeSignal,
     "no room for a mark before a signal that precedes a slowdown warning point",
     {},
     true,
     kCell,
     P::kCellStart,
     false},
    {kNoRoomBeforeSlowdown,
     "no room for a mark before a slowdown",
     {},
     true,
     kCell,
     P::kCellStart,
     false},
    {kNoRoomInSlowdown,
     "no room for a mark inside or after a slowdown",
     {},
     true,
     kCell,
     P::kCellStart,
     false},
    {kBeyondRange,
     "position beyond the described range of the line",
     {},
     true,
     kRow,
     kNoCell,
     false},
    {kSignalCellTaken, "signal on a cell that is already taken", {}, true, kRow, P::kPoint, false},
    {kWarningCellTaken,
     "slowdown warning point on a cell that is already taken",
     {},
     true,
     kRow,
     P::kWarningPoint,
     false},
    {kStartCellTaken,
     "slowdown start on a cell that is already taken",
     {},
     true,
     kRow,
     P::kPoint,
     false},
    {kEndCellTaken, "slowdown end on a cell that is already taken", {}, true, kRow, kNoCell, false},
    {kBeforeWarningTaken,
     "a cell before the slowdown warning point is already taken",
     {},
     true,
     kRow,
     kNoCell,
     false},
    {kBoardsCellTaken,
     "speed indicator boards on a cell that is already taken",
     {},
     true,
     kRow,
     P::kPoint,
     false},
    {kStationsTooClose,
     "station area begins less than {} m after the previous station's area",
     {kStationGap},
     true,
     kRow,
     kNoCell,
     false},
    {kStationAtLineStart,
     "station area ends at or before {} m",
     {kStationEndMinimum},
     false,
     kRow,
     kNoCell,
     false},
    {kReadFailure, "the source cannot be read", {}, false, kRow, kNoCell, false},
    {kLineSourceMissing, "line source missing", {}, false, kNothing, kNoCell, false},
    {kNoGenerale, "no \"[generale]\" section in the line source", {}, false, kRow, kNoCell, false},
    {kBadCurve,
     "curve keyword without a class digit 1 to 6, or track plan beyond {} m",
     {kGeometryLimit},
     false,
     kRow,
     kNoCell,
     false},
    {kNegativeLength, "line length below 0", {}, false, kRow, kNoCell, false},
    {kBeforeRouteStart, "element before the start of the route", {}, true, kRow, kNoCell, false},
    {kBeyondLastCell,
     "element reaches beyond the last cell of the route",
     {},
     true,
     kRow,
     kNoCell,
     false},
    {kTooManySigns,
     "too many signs: at most {} sign texts fit",
     {kSignSlots},
     true,
     kRow,
     kNoCell,
     false},
    {kTooManyMountainSpans,
     "too many mountain spans: at most {} fit",
     {kMaxMountainSpans},
     true,
     kRow,
     kNoCell,
     false},
    {kCurveBeyondTrackPlan,
     "curve runs past the end of the track plan",
     {},
     true,
     kRow,
     kNoCell,
     false},
    {kSourceTooLarge,
     "source file larger than {} bytes",
     {static_cast<std::int64_t>(kMaxSourceBytes)},
     false,
     kRow,
     kNoCell,
     false},
    {kFieldTooLong,
     "field longer than {} bytes",
     {static_cast<std::int64_t>(kMaxFieldBytes)},
     false,
     kRow,
     kNoCell,
     false},
    {kReservedSlotSet,
     "a reserved slot (item 85 parametro1 or cell 1 dato1) was already set by the sources",
     {},
     false,
     kCell,
     kNoCell,
     true},
    {kCheckCodeSlotSet,
     "a check code slot (item 85 valore_d or cell 1 dato2) was already set by the sources",
     {},
     false,
     kCell,
     kNoCell,
     true},
}};

static_assert(std::is_sorted(kTable.begin(), kTable.end(),
                             [](const ErrorCodeInfo& a, const ErrorCodeInfo& b) {
                               return a.code < b.code;
                             }),
              "the code table is in ascending order of code");

}  // namespace

std::span<const ErrorCodeInfo> error_code_table() {
  return kTable;
}

const ErrorCodeInfo* error_code(Long code) {
  const auto it = std::find_if(kTable.begin(), kTable.end(),
                               [&](const ErrorCodeInfo& v) { return v.code == code; });
  return it == kTable.end() ? nullptr : &*it;
}

std::string error_message(Long code) {
  const ErrorCodeInfo* info = error_code(code);
  if (info == nullptr) return "unknown error code";
  std::string s;
  std::size_t next = 0;
  for (std::size_t i = 0; i < info->text.size(); ++i) {
    if (info->text.compare(i, 2, "{}") == 0 && next < 2) {
      s += std::to_string(info->limits[next++]);
      ++i;
    } else {
      s += info->text[i];
    }
  }
  return s;
}

bool code_has_position(Long code) {
  const ErrorCodeInfo* info = error_code(code);
  return info != nullptr && info->has_position;
}

}  // namespace sb

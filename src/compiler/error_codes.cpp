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
    {kNoError, "no error", {}, false, kNothing, kNoCell, false, ""},
    {kLineTooLong,
     "line length above {} m",
     {kMaxLineLength},
     false,
     kRow,
     kNoCell,
     false,
     "give a length of at most {} m"},
    {kProgressiveNotMultiple,
     "kilometric progressive bound not a multiple of {}",
     {kCellLength},
     false,
     kNothing,
     kNoCell,
     false,
     "give bounds that are multiples of 50"},
    {kRepetitionStart,
     "signal repetition start not a multiple of {}",
     {kCellLength},
     false,
     kRow,
     kNoCell,
     false,
     "give a multiple of 50"},
    {kRepetitionEnd,
     "signal repetition end not a multiple of {}",
     {kCellLength},
     false,
     kRow,
     kNoCell,
     false,
     "give a multiple of 50, or 0 for no repetition"},
    {kRepetitionCodes,
     "signal repetition keyword holds neither \"4\" nor \"9\"",
     {},
     false,
     kRow,
     kNoCell,
     false,
     "write `ripetizione segnali 4 codici` or `ripetizione segnali 9 codici`"},
    {kSignCellTaken,
     "sign on a cell that is already taken",
     {},
     true,
     kRow,
     P::kPoint,
     false,
     "move the sign to a cell of its own"},
    {kAbbattimentoCellTaken,
     "abbattimento point on a cell that is already taken",
     {},
     true,
     kRow,
     P::kCellStart,
     false,
     "move the point by 50 m or more"},
    {kStationNotMultipleOf50,
     "station position not a multiple of {}",
     {kCellLength},
     true,
     kRow,
     kNoCell,
     false,
     "round the position to a multiple of 50"},
    {kStationLength,
     "station length not a multiple of {}",
     {kStationLengthUnit},
     true,
     kRow,
     kNoCell,
     false,
     "give a length that is a multiple of 100"},
    {kTooManyStations,
     "too many stations: the station items reached the sign texts",
     {},
     false,
     kRow,
     kNoCell,
     false,
     "give fewer stations, or fewer signs in the line source"},
    {kNoRoomBeforeSignal,
     "no room for a mark before a signal that precedes a slowdown warning point",
     {},
     true,
     kCell,
     P::kCellStart,
     false,
     "keep the 100 m before the signal free of other elements"},
    {kNoRoomBeforeSlowdown,
     "no room for a mark before a slowdown",
     {},
     true,
     kCell,
     P::kCellStart,
     false,
     "clear one cell in each of the stretches 250 to 350, 550 to 650 and 900 to 1000 m before the "
     "slowdown"},
    {kNoRoomInSlowdown,
     "no room for a mark inside or after a slowdown",
     {},
     true,
     kCell,
     P::kCellStart,
     false,
     "keep the slowdown, and the 100 m before the next signal after it, free of other elements"},
    {kBeyondRange,
     "position beyond the described range of the line",
     {},
     true,
     kRow,
     kNoCell,
     false,
     "correct the position, or lengthen the line"},
    {kSignalCellTaken,
     "signal on a cell that is already taken",
     {},
     true,
     kRow,
     P::kPoint,
     false,
     "move the signal to a cell of its own"},
    {kWarningCellTaken,
     "slowdown warning point on a cell that is already taken",
     {},
     true,
     kRow,
     P::kWarningPoint,
     false,
     "move the slowdown, or the element 1200 m before its start"},
    {kStartCellTaken,
     "slowdown start on a cell that is already taken",
     {},
     true,
     kRow,
     P::kPoint,
     false,
     "move the slowdown, or the element at its start"},
    {kEndCellTaken,
     "slowdown end on a cell that is already taken",
     {},
     true,
     kRow,
     kNoCell,
     false,
     "shorten or lengthen the slowdown by 50 m, or move the element at its end"},
    {kBeforeWarningTaken,
     "a cell before the slowdown warning point is already taken",
     {},
     true,
     kRow,
     kNoCell,
     false,
     "free the 200 m before the warning point, or give f_ta 0"},
    {kBoardsCellTaken,
     "speed indicator boards on a cell that is already taken",
     {},
     true,
     kRow,
     P::kPoint,
     false,
     "move the boards to a cell of their own"},
    {kStationsTooClose,
     "station area begins less than {} m after the previous station's area",
     {kStationGap},
     true,
     kRow,
     kNoCell,
     false,
     "move the stations apart, or shorten their areas"},
    {kStationAtLineStart,
     "station area ends at or before {} m",
     {kStationEndMinimum},
     false,
     kRow,
     kNoCell,
     false,
     "move the station further along, or make it longer"},
    {kReadFailure, "the source cannot be read", {}, false, kRow, kNoCell, false, ""},
    {kLineSourceMissing,
     "line source missing",
     {},
     false,
     kNothing,
     kNoCell,
     false,
     "make sure that nothing else deletes or locks the sources"},
    {kNoGenerale,
     "no \"[generale]\" section in the line source",
     {},
     false,
     kRow,
     kNoCell,
     false,
     "begin the file with [generale] and the general rows"},
    {kBadCurve,
     "curve keyword without a class digit 1 to 6, or track plan beyond {} m",
     {kGeometryLimit},
     false,
     kRow,
     kNoCell,
     false,
     "write `curvad` or `curvas` and a digit 1 to 6, and end the curves before metre 1000000"},
    {kNegativeLength,
     "line length below 0",
     {},
     false,
     kRow,
     kNoCell,
     false,
     "give the length in metres, 0 or more"},
    {kBeforeRouteStart,
     "element before the start of the route",
     {},
     true,
     kRow,
     kNoCell,
     false,
     "positions start at 0"},
    {kBeyondLastCell,
     "element reaches beyond the last cell of the route",
     {},
     true,
     kRow,
     kNoCell,
     false,
     "shorten it, or lengthen the line"},
    {kTooManySigns,
     "too many signs: at most {} sign texts fit",
     {kSignSlots},
     true,
     kRow,
     kNoCell,
     false,
     "drop signs"},
    {kTooManyMountainSpans,
     "too many mountain spans: at most {} fit",
     {kMaxMountainSpans},
     true,
     kRow,
     kNoCell,
     false,
     "join neighbouring spans"},
    {kCurveBeyondTrackPlan,
     "curve runs past the end of the track plan",
     {},
     true,
     kRow,
     kNoCell,
     false,
     "shorten the curve, or correct its start or length"},
    {kSourceTooLarge,
     "source file larger than {} bytes",
     {static_cast<std::int64_t>(kMaxSourceBytes)},
     false,
     kRow,
     kNoCell,
     false,
     "give the right file: a real source is far smaller"},
    {kFieldTooLong,
     "field longer than {} bytes",
     {static_cast<std::int64_t>(kMaxFieldBytes)},
     false,
     kRow,
     kNoCell,
     false,
     "give the right file, and end each row with a line end"},
    {kReservedSlotSet,
     "a reserved slot (item 85 parametro1 or cell 1 dato1) was already set by the sources",
     {},
     false,
     kCell,
     kNoCell,
     true,
     "keep the first 100 m of the line free of elements"},
    {kCheckCodeSlotSet,
     "a check code slot (item 85 valore_d or cell 1 dato2) was already set by the sources",
     {},
     false,
     kCell,
     kNoCell,
     true,
     "keep the first 100 m of the line free of elements"},
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

namespace {

// A text of the table with each "{}" replaced by the next of the limits.
std::string with_limits(std::string_view text, const std::int64_t (&limits)[2]) {
  std::string s;
  std::size_t next = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "{}") == 0 && next < 2) {
      s += std::to_string(limits[next++]);
      ++i;
    } else {
      s += text[i];
    }
  }
  return s;
}

}  // namespace

std::string error_message(Long code) {
  const ErrorCodeInfo* info = error_code(code);
  if (info == nullptr) return "unknown error code";
  return with_limits(info->text, info->limits);
}

std::string error_hint(Long code) {
  const ErrorCodeInfo* info = error_code(code);
  if (info == nullptr) return {};
  return with_limits(info->hint, info->limits);
}

bool code_has_position(Long code) {
  const ErrorCodeInfo* info = error_code(code);
  return info != nullptr && info->has_position;
}

}  // namespace sb

// Every error code of the compiler, with all of its facts, in one table: its
// message, whether it carries a position, what a diagnostic points at, and
// whether it is fatal.
//
// Codes below 200 and the two fatal codes are the scenario codes that the
// compiled scenario's readers know. Codes from 201 on are this compiler's own:
// they refuse input whose element would fall outside the route model's
// arrays, where the scenario rules leave the outcome open, and input beyond
// the reader's limits (input_limits.h).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "compiler/cell_kinds.h"
#include "compiler/route_model.h"

namespace sb {

enum ErrorCode : Long {
  kNoError = 0,
  kLineTooLong = 1,
  kProgressiveNotMultiple = 2,
  kRepetitionStart = 3,
  kRepetitionEnd = 4,
  kRepetitionCodes = 5,
  kSignCellTaken = 6,
  kAbbattimentoCellTaken = 7,
  kStationNotMultipleOf50 = 8,
  kStationLength = 9,
  kTooManyStations = 10,
  kNoRoomBeforeSignal = 11,
  kNoRoomBeforeSlowdown = 12,
  kNoRoomInSlowdown = 13,
  kBeyondRange = 15,
  kSignalCellTaken = 16,
  kWarningCellTaken = 17,
  kStartCellTaken = 18,
  kEndCellTaken = 19,
  kBeforeWarningTaken = 20,
  kBoardsCellTaken = 21,
  kStationsTooClose = 22,
  kStationAtLineStart = 24,
  kReadFailure = 25,
  kLineSourceMissing = 101,
  kNoGenerale = 102,
  kBadCurve = 103,
  kReservedSlotSet = 1250,
  kCheckCodeSlotSet = 1251,
  // This compiler's own codes.
  kNegativeLength = 201,
  kBeforeRouteStart = 202,
  kBeyondLastCell = 203,
  kTooManySigns = 204,
  kTooManyMountainSpans = 205,
  kCurveBeyondTrackPlan = 206,
  kSourceTooLarge = 207,
  kFieldTooLong = 208,
};

// What a diagnostic of a code points at.
enum class CodeTarget : std::uint8_t {
  kNothing,  // the code belongs to no place of a source (2, 101)
  kRow,      // the field of the row that caused it
  kCell,     // a cell of the route, traced back to the row of its element
};

struct ErrorCodeInfo {
  Long code;
  std::string_view text;  // each "{}" stands for the next of `limits`
  std::int64_t limits[2];
  bool has_position;  // the reader records a position in metres with it
  CodeTarget target;
  std::optional<Placement> cell;  // how the position gives the cell the code names
  bool fatal;                     // errore ends the run: nothing is written
  std::string_view hint;          // what to change, in the author's words ("{}" as in text)
};

// The table: every code, in ascending order of code.
std::span<const ErrorCodeInfo> error_code_table();

// The entry of a code; nullptr for a code not in the table.
const ErrorCodeInfo* error_code(Long code);

// The message of a code, with its limits filled in, or "unknown error code".
std::string error_message(Long code);

// What an author changes to mend it, with its limits filled in; empty when the
// diagnostic says it itself (code 25).
std::string error_hint(Long code);

// Whether the reader records a position in metres together with this code.
bool code_has_position(Long code);

// An unexpected failure while reading a source (a row cut short, text in a
// numeric field, a value that does not fit its conversion): the reader's trap
// turns it into code 25.
class ReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Input beyond one of the reader's limits (input_limits.h): the same trap,
// but it records the limit's own code instead of code 25.
class LimitError : public ReadError {
 public:
  LimitError(Long code, const std::string& text) : ReadError(text), code_(code) {}
  Long code() const { return code_; }

 private:
  Long code_;
};

}  // namespace sb

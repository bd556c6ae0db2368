// The limits and margins of the source reader, in one place: the reader
// applies them and the error codes' messages and the diagnostics quote them.
//
// Input beyond the limits of size is refused with the limit's own error code
// (error_codes.h) before anything of it is stored, never cut short or wrapped.
#pragma once

#include <cstddef>

#include "compiler/compiled_files.h"

namespace sb {

// The largest source file, in bytes. A real source stays far below it: even a
// line of 1000000 m with a row for every 50 m cell of every kind is a few
// megabytes. It also keeps the line and column counts of the diagnostics well
// inside an int.
inline constexpr std::size_t kMaxSourceBytes = 16 * 1024 * 1024;

// The longest field, in bytes from its first character after the blanks to
// its closing comma or line end (quotes included). A text field becomes an
// item text, whose length the item file stores in 16 bits: a longer one could
// only be written cut short.
inline constexpr std::size_t kMaxFieldBytes = kMaxTextBytes;

static_assert(kMaxFieldBytes <= kMaxTextBytes, "every text field must fit an item record");

// The range test: a row at p is read when (p + margin) / 50 does not exceed
// the last cell. Stations take the larger margin.
inline constexpr Long kPositionMargin = 100;
inline constexpr Long kStationMargin = 800;

// The track plan is computed up to this metre at most (code 103 beyond it).
inline constexpr Long kGeometryLimit = 1000000;

// Sign texts take the items from 80 down to 0; stations take them from 1 up
// and may not reach the next free sign slot (code 10).
inline constexpr Long kFirstSignSlot = 80;
inline constexpr Long kSignSlots = kFirstSignSlot + 1;

// A station area must begin at least this far after the previous one ends
// (code 22), and a station's end mark must fall after cell 1, that is its area
// end beyond this many metres (code 24).
inline constexpr Long kStationGap = 350;
inline constexpr Long kStationEndMinimum = 100;

// Positions of stations and the bounds of the progressive and signal
// repetition ranges are multiples of the cell; station lengths of 100 m.
inline constexpr Long kStationLengthUnit = 100;

}  // namespace sb

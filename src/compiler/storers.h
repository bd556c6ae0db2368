// The element storers: each codes one row of a source into the route cells.
// A storer refuses an element by setting codice_errore to its code and
// returning normally (some after part of the element is written); the reader
// tests codice_errore after each call. Every parameter is a signed 32-bit value
// as read from the row; the storers narrow it where a field is 16 or 8 bits.
#pragma once

#include <cstdint>

#include "compiler/route_model.h"

namespace sb {

// A mountain span from `inizio` to `fine` of kind `tipo` (11 and 12 mean 1
// and 2 with marks every fourth cell).
void memo_montagna(RouteModel& m, Long inizio, Long fine, Long tipo);

// A pair of speed-indicator boards in one cell (code 21 when taken). A board
// value that does not fit 16 bits after rounding throws ReadError.
void memo_indicatori_v_max(RouteModel& m, Long posizione, Long vas, Long vbs, Long vcs,
                           Long strisces, Long vad, Long vbd, Long vcd, Long strisced);

// A signal's approach codes go into the cells 2, 4, 6 and 8 before it (k = 1
// to 4); those before cell 0 are left out.
inline constexpr int kSignalApproachCells = 4;
inline constexpr std::int64_t signal_approach_cell(std::int64_t signal_cell, int k) {
  return signal_cell - 2 * k;
}

// A signal in one cell and approach codes in four cells before it (code 16).
void memo_segnale(RouteModel& m, Long posizione, Long sx, Long s1, Long s2, Long s3, Long rapp,
                  Long dx, Long d1, Long d2, Long d3, Long tempo);

// A slowdown: warning point, start, end and the four cells before the warning
// point (codes 17 to 20).
void memo_rallentamento(RouteModel& m, Long x, Long v, Long l, Long f_tt, Long f_ta, Long d_v);

// Reorders the three kilometric progressive references in items 81 to 83.
void progressive_ordina(RouteModel& m);

}  // namespace sb

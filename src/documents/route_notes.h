// The route notes of the built-in scenario: a short letter from the
// scenario's author about the line and the simplifications of the simulation.
#pragma once

#include "sources/righe.h"

namespace sb {

// The lines of the route notes, the end marker after the last. The accented
// letters are single bytes of the Western code page (0xE8 for e grave, 0xE0
// for a grave) on every platform.
Righe dati_note();

}  // namespace sb

// The train card: four fixed-layout cards for the driver of train 5127, the
// first three covering the run in three stretches, the fourth an empty form.
#pragma once

#include "sources/righe.h"

namespace sb {

// The 199 lines of the train card, the end marker after the last.
Righe dati_scheda();

}  // namespace sb

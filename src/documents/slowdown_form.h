// The slowdown order form (Modulo M. 3) of the built-in train: a fixed
// 41-line form whose table holds the single entry "NESSUN RALLENTAMENTO",
// since the train has no slowdowns.
#pragma once

#include "sources/righe.h"

namespace sb {

// The lines of the slowdown order form, the end marker after the last.
Righe dati_rallentamenti();

}  // namespace sb

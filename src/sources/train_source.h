// The built-in train source: 141 lines describing train 5127 on the built-in
// line, its timetable of 40 stations and its signals.
#pragma once

#include "sources/righe.h"

namespace sb {

// The lines of the built-in train source, the end marker after the last.
Righe dati_treno();

}  // namespace sb

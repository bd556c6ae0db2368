// The built-in line source: 202 lines describing a 162 km mountain line.
#pragma once

#include "sources/righe.h"

namespace sb {

// The lines of the built-in line source, the end marker after the last.
Righe dati_linea();

}  // namespace sb

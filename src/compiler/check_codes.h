// The two check codes of a compiled scenario, derived from its identity alone:
// the train number (item 86 testo) followed by the scenario identifier (item
// 85 testo), lower-cased, padded with a fixed filler, first 25 characters.
#pragma once

#include "compiler/route_model.h"

namespace sb {

// The sum of the 25 character codes; 0 to 6375.
Long codice_gara_og(const RouteModel& m);
// The sum of i times the code of character i, i = 1 to 25; 0 to 82875.
Long codice_gara_st(const RouteModel& m);

}  // namespace sb

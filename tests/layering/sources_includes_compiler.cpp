// Compiled with the sources layer's include path: must fail, the compiler lies above.
#include "compiler/route_model.h"

// Compiled with the documents layer's include path: must fail, the compiler is not below it.
#include "compiler/route_model.h"

// Compiled with the tools layer's include path: must fail, the run lies above.
#include "run/errore.h"

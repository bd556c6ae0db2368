// Compiled with the platform layer's include path: must fail, the sources lie above.
#include "sources/righe.h"

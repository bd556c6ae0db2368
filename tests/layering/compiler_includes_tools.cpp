// Compiled with the compiler layer's include path: must fail, the tools lie above.
#include "tools/commands.h"

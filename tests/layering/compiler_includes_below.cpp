// Compiled with the compiler layer's include path: must compile, the layers below are visible.
#include "compiler/route_model.h"
#include "platform/exit_status.h"
#include "sources/keywords.h"

// config/ and diagnostics/ may include each other.
#include "diagnostics/log.h"

// Downward: config/ reads settings with logging and errors.
#include "diagnostics/log.h"

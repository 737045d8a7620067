// common/ holds only what both sides compile.
#include "config_keys.h"
#include "diagnostics/log.h"

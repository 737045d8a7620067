#include "config/access.h"
#include "util/text.h"

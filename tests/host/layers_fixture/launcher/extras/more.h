// A folder the layers do not name.
#include "util/text.h"

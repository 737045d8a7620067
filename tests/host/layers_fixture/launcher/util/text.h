// An upward include: util/ below startup/.
#include "startup/main_steps.h"

// An upward include: errors get their texts through a registered source instead.
#include "config/access.h"
#include "util/text.h"

#include "config/start_markers.h"

namespace tessel {

bool languageRestart = false;

}  // namespace tessel

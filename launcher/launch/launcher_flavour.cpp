#include "launch/launcher_flavour.h"

#include "config/config_access.h"
#include "config_keys.h"

namespace tessel {

bool corvaneFlavour() {
  char flavour[2];
  configString(key::LauncherFlavour, flavour, sizeof flavour);
  return flavour[0] == 'c';
}

}  // namespace tessel

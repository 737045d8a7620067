#include "config/launcher_flavour.h"

#include "config/config_access.h"
#include "config_keys.h"
#include "value_rules.h"

namespace tessel {

namespace {
char flavourLetter() {
  char flavour[limit::kFlavourCapacity];
  configString(key::LauncherFlavour, flavour, sizeof flavour);
  return flavour[0];
}
}  // namespace

bool corvaneFlavour() { return flavourLetter() == 'c'; }

const wchar_t* productCaptionW() { return flavourLetter() == 't' ? L"tessel" : L"corvane"; }

}  // namespace tessel

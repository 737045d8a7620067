#include "splash/splash_control.h"

namespace tessel {

void splashControl(int) {}

}  // namespace tessel

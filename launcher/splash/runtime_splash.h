// The runtime's own splash library (splashscreen.dll of the runtime that was found).
#pragma once

namespace tessel {

// Loads the library (kept for the process's life) and shows the executable's raw image
// resource 10000; a missing library or function is logged and the launch goes on.
void showRuntimeSplash();
// Closes the runtime splash when it was shown, once.
void hideRuntimeSplash();

}  // namespace tessel

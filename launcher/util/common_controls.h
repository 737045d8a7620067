#pragma once

namespace tessel {

// Initialises the common controls once, just before the first window or message box: a start
// that shows nothing then never loads the window libraries (they are delay-loaded).
void prepareCommonControls();

}  // namespace tessel

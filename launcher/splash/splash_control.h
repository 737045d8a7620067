// Showing and hiding the splash screen from start-up, error dialogs and the Java side.
#pragma once

namespace tessel {

// 0 hides the splash; any other show-window value shows it.
void splashControl(int show);

}  // namespace tessel

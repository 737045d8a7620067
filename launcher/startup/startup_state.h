// Start-up state decided by the entry point's command-line markers and by prepareLaunch.
#pragma once
#include <windows.h>

namespace tessel {

// Set when the launcher was restarted for a change of language.
extern bool languageRestart;
// The first character of key 2001 (launcher flavour); 0 when the key is absent.
extern char launcherFlavor;
// "tessel" for the flavour 't', otherwise "corvane": the product word of captions.
extern const char* productCaption;
extern const wchar_t* productCaptionW;
// The instance handle the entry point received (for the splash window).
extern HINSTANCE launcherInstance;

}  // namespace tessel

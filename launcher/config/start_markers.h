// Markers the entry point finds behind the program name that change the whole launch.
#pragma once

namespace tessel {

// Set when the launcher was restarted for a change of language.
extern bool languageRestart;

}  // namespace tessel

// Start-up state decided by the entry point's command-line markers.
#pragma once

namespace tessel {

// Set when the launcher was restarted for a change of language.
extern bool languageRestart;

}  // namespace tessel

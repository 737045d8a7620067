// Reading the configuration block from the launcher's own executable.
#pragma once
#include <windows.h>

#include <cstdint>

#include "util/handles.h"
#include "argument_list.h"

namespace tessel {

// Offset of the first byte after the block's locale sections (the embedded file data).
extern uint32_t blockEndPosition;
// Offset behind the last extracted embedded file; 0 when nothing was extracted.
extern uint32_t unextractedPosition;

// Opens the launcher's own executable for reading; ends the process when it cannot.
unique_hfile openLauncherFile();
// Positions the file at the start of the block (walking the PE headers) and logs the fields.
void seekToConfigBlock(HANDLE file);
// Reads the whole block into LauncherConfig and LauncherMessages; returns key 107's value.
// Ends the process with the fixed text of the failing read on a damaged block.
int loadConfiguration(const ArgumentList& arguments);
// The same from a given file (tests; the launcher uses its own executable).
int loadConfigurationFrom(HANDLE file, const ArgumentList& arguments);

// True when the file ends with the trailer that every build writes behind the block and the
// embedded files; false for a file cut off by a failed copy. Keeps the file position.
bool launcherFileIsComplete(HANDLE file);
// Ends the process with `fixedText`, followed by a note that the file is incomplete when it
// lacks its trailer.
[[noreturn]] void failIncompleteRead(const wchar_t* fixedText, HANDLE file);

// Primitive reads at the current position; each ends the process when it fails.
int64_t readLong(HANDLE file);
int32_t readInt(HANDLE file);
int16_t readShort(HANDLE file);

}  // namespace tessel

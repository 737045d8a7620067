// Restoring a shipped runtime whose class archives are stored packed (lib\*.jar.pack and
// lib\ext\*.jar.pack) with the runtime's own bin\unpack200.exe.
#pragma once

namespace tessel {

// Unpacks every packed archive of lib, then lib\ext, whose target archive is missing;
// announces "Preparing JRE ..." once on standard output when anything is unpacked.
void unpackRuntimeArchives(const char* runtimeDirectory);
// One archive folder ("lib" or "lib\ext") relative to the runtime directory.
void unpackPackDirectory(const char* runtimeDirectory, const char* folder, bool& announced);
// Runs unpack200 for one packed archive. The packed file is deleted only when the tool ended
// with 0 and the target exists; otherwise a partial target is removed so that the next start
// tries again. Ends the process (message 1009, "20") when the tool cannot be started.
void runUnpack200(const char* runtimeDirectory, const char* packedArchive);

}  // namespace tessel

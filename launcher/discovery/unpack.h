// Restoring a shipped runtime whose class archives are stored packed (lib\*.jar.pack and
// lib\ext\*.jar.pack) with the runtime's own bin\unpack200.exe.
#pragma once

namespace tessel {

// Unpacks every packed archive of lib, then lib\ext, whose target archive is missing;
// announces "Preparing JRE ..." once on standard output when anything is unpacked.
void unpackRuntimeArchives(const wchar_t* runtimeDirectory);
// One archive folder ("lib" or "lib\ext") relative to the runtime directory. Ends the process
// (message 1009, "20") when unpack200 cannot be started or does not finish in time.
void unpackPackDirectory(const wchar_t* runtimeDirectory, const wchar_t* folder, bool& announced);
// How long one unpack200 run may take (milliseconds). Tests shorten it.
extern unsigned unpackTimeoutMs;

enum class UnpackResult { Done, Failed, NotStarted, TimedOut };
// Runs unpack200 for one packed archive, stopping it after unpackTimeoutMs. The packed file is
// deleted only when the tool ended with 0 and the target exists; otherwise a partial target is
// removed so that the next start tries again.
UnpackResult runUnpack200(const wchar_t* runtimeDirectory, const wchar_t* packedArchive);

}  // namespace tessel

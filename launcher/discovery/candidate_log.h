// Why each runtime candidate of a search was refused, kept in search order so that a failed
// start can name them all in the log, one line each.
#pragma once

namespace tessel {

enum class Refusal {
  NotFound,        // no java.exe and no runtime image, an unset variable, no javaw.exe
  NoVersion,       // java.exe ran but told no version
  OutOfRange,      // version outside min_version..max_version
  PreRelease,      // an early-access, beta or release-candidate build where none is allowed
  NotJdk,          // a JDK is required and lib\tools.jar is missing
  WrongWordSize,   // jvm.dll is a 32-bit library
  DamagedLibrary,  // jvm.dll missing, not loadable or without JNI_CreateJavaVM
  NotChosen,       // acceptable, but a newer runtime of the same source was preferred
};

// Forgets every candidate: the start of a search.
void clearCandidates();
// Names the source that following candidates come from ("B .\jre", "E JAVA_HOME", a registry
// key); kept until the next call. Longer texts are cut.
void setCandidateSource(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
// The source named last.
const char* candidateSource();
// Records a refused candidate: `where` is a runtime directory or executable path (a
// ...\bin\java.exe is shown as its runtime directory), `detail` says more (may be null).
void refuseCandidate(const char* where, Refusal reason, const char* detail = nullptr);
// How many candidates were refused since the last clear.
int refusedCandidates();
// Writes the heading and one line per refused candidate to the log.
void logRefusedCandidates();
// The text of one line as logRefusedCandidates writes it (index from 0); empty past the end.
const char* refusedCandidateLine(int index);

}  // namespace tessel

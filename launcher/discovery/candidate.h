// A runtime the search considers, as one value: where it came from, the java.exe judged, the
// version found and the verdict. Each source makes its own candidates and hands them on; log
// lines, refusals and the final choice name the candidate they are about.
#pragma once
#include <cstddef>

#include "util/bounded_text.h"

namespace tessel {

enum class Verdict {
  Unjudged,
  Accepted,
  NotFound,        // no java.exe and no runtime image, an unset variable, no javaw.exe
  NoVersion,       // java.exe ran but told no version
  OutOfRange,      // version outside min_version..max_version
  PreRelease,      // an early-access, beta or release-candidate build where none is allowed
  NotJdk,          // a JDK is required and lib\tools.jar is missing
  WrongWordSize,   // jvm.dll is a 32-bit library
  DamagedLibrary,  // jvm.dll missing, not loadable or without JNI_CreateJavaVM
  NotChosen,       // acceptable, but a newer runtime was preferred
};

constexpr size_t kSourceCapacity = 600;
constexpr size_t kVersionCapacity = 128;  // banners and release files give at most 99

struct Candidate {
  // "B .\jre", "E JAVA_HOME", "Y JavaSoft HKLM\...": what the user configured or installed.
  wchar_t source[kSourceCapacity];
  // The java.exe judged (javaw.exe once a GUI launcher accepted it); absolute and lower-cased
  // once judged. Empty while the source has named no executable.
  wchar_t executable[kPathCapacity];
  char version[kVersionCapacity];  // empty until known
  Verdict verdict;
};

// Starts a candidate of the named source (printf-style, wide; cut when longer): no
// executable, no version, not judged.
void startCandidate(Candidate& candidate, const wchar_t* sourceFormat, ...) noexcept;
// Sets the candidate's executable; false (and empty) when it does not fit.
bool setCandidateExecutable(Candidate& candidate, const wchar_t* executable) noexcept;

}  // namespace tessel

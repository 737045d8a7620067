#include "discovery/candidate.h"

#include <cstdarg>

namespace tessel {

void startCandidate(Candidate& candidate, const wchar_t* sourceFormat, ...) noexcept {
  va_list args;
  va_start(args, sourceFormat);
  formatTextV(candidate.source, kSourceCapacity, sourceFormat, args);
  va_end(args);
  candidate.executable[0] = 0;
  candidate.version[0] = 0;
  candidate.verdict = Verdict::Unjudged;
}

bool setCandidateExecutable(Candidate& candidate, const wchar_t* executable) noexcept {
  if (copyWhole(candidate.executable, kPathCapacity, executable)) return true;
  candidate.executable[0] = 0;
  return false;
}

}  // namespace tessel

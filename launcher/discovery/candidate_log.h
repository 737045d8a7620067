// Why each runtime candidate of a search was refused, kept in search order so that a failed
// start can name them all in the log, one line each: "  <source> -> <where>: <reason> (<detail>)".
#pragma once

#include "discovery/candidate.h"

namespace tessel {

// Forgets every refusal: the start of a search.
void clearCandidates();
// Refuses the candidate: its verdict becomes `reason` (not Accepted or Unjudged) and a line
// names its source and its executable (a ...\bin\java.exe is shown as its runtime directory);
// `detail` says more (may be null).
void refuseCandidate(Candidate& candidate, Verdict reason, const wchar_t* detail = nullptr);
// The same, naming `where` instead of the executable: an unset variable, a directory that
// gave no executable.
void refuseCandidateAt(Candidate& candidate, const wchar_t* where, Verdict reason,
                       const wchar_t* detail = nullptr);
// Marks the candidate accepted and logs the choice with its source, path and version.
void acceptCandidate(Candidate& candidate);
// How many candidates were refused since the last clear.
int refusedCandidates();
// Writes the heading and one line per refused candidate to the log.
void logRefusedCandidates();
// The text of one line as logRefusedCandidates writes it (index from 0); empty past the end.
const wchar_t* refusedCandidateLine(int index);

}  // namespace tessel

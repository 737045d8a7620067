#include "discovery/candidate_log.h"

#include <cwchar>
#include <string>
#include <vector>

#include "diagnostics/log.h"
#include "discovery/release_file.h"

namespace tessel {

namespace {

// A search visits a few dozen candidates at most; a registry with thousands of keys must
// not make the log unreadable.
constexpr size_t kMaxCandidates = 200;
constexpr size_t kMaxLine = 1024;

std::vector<std::wstring> lines;
size_t dropped = 0;

const char* reasonText(Verdict reason) {
  switch (reason) {
    case Verdict::NotFound: return "not found";
    case Verdict::NoVersion: return "no version";
    case Verdict::OutOfRange: return "version out of range";
    case Verdict::PreRelease: return "pre-release";
    case Verdict::NotJdk: return "not a JDK";
    case Verdict::WrongWordSize: return "wrong word size";
    case Verdict::DamagedLibrary: return "damaged library";
    case Verdict::NotChosen: return "not tried";
    case Verdict::Unjudged:
    case Verdict::Accepted: break;
  }
  return "refused";
}

void record(const Candidate& candidate, const wchar_t* where, Verdict reason,
            const wchar_t* detail) {
  if (lines.size() >= kMaxCandidates) {
    ++dropped;
    return;
  }
  wchar_t home[kPathCapacity];
  const wchar_t* shown = where && where[0] ? where : L"(nothing)";
  if (where && runtimeHomeOfExecutable(where, home)) {
    // java.exe and javaw.exe stand for their runtime; other names are shown as they are.
    const wchar_t* name = std::wcsrchr(where, L'\\') + 1;
    if (_wcsicmp(name, L"java.exe") == 0 || _wcsicmp(name, L"javaw.exe") == 0) shown = home;
  }
  bool withDetail = detail && detail[0];
  wchar_t line[kMaxLine];
  formatText(line, kMaxLine, L"  %ls%ls%ls: %hs%ls%ls%ls", candidate.source,
             candidate.source[0] ? L" -> " : L"", shown, reasonText(reason),
             withDetail ? L" (" : L"", withDetail ? detail : L"", withDetail ? L")" : L"");
  lines.emplace_back(line);
}

}  // namespace

void clearCandidates() {
  lines.clear();
  dropped = 0;
}

void refuseCandidate(Candidate& candidate, Verdict reason, const wchar_t* detail) {
  refuseCandidateAt(candidate, candidate.executable, reason, detail);
}

void refuseCandidateAt(Candidate& candidate, const wchar_t* where, Verdict reason,
                       const wchar_t* detail) {
  candidate.verdict = reason;
  record(candidate, where, reason, detail);
}

void acceptCandidate(Candidate& candidate) {
  candidate.verdict = Verdict::Accepted;
  logLine("Candidate accepted: %S -> %S, version %s", candidate.source, candidate.executable,
          candidate.version[0] ? candidate.version : "unknown");
}

int refusedCandidates() { return static_cast<int>(lines.size() + dropped); }

void logRefusedCandidates() {
  logLine("No usable Java runtime; candidates in search order:");
  if (lines.empty()) logLine("  (none)");
  for (const std::wstring& line : lines) logLine("%S", line.c_str());
  if (dropped) logLine("  ... and %d more", static_cast<int>(dropped));
}

const wchar_t* refusedCandidateLine(int index) {
  if (index < 0 || static_cast<size_t>(index) >= lines.size()) return L"";
  return lines[static_cast<size_t>(index)].c_str();
}

}  // namespace tessel

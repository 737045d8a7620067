#include "discovery/candidate_log.h"

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "diagnostics/log.h"
#include "discovery/release_file.h"
#include "util/bounded_text.h"

namespace tessel {

namespace {

// A search visits a few dozen candidates at most; a registry with thousands of keys must
// not make the log unreadable.
constexpr size_t kMaxCandidates = 200;
constexpr size_t kMaxLine = 1024;

char currentSource[512];
std::vector<std::string> lines;
size_t dropped = 0;

const char* reasonText(Refusal reason) {
  switch (reason) {
    case Refusal::NotFound: return "not found";
    case Refusal::NoVersion: return "no version";
    case Refusal::OutOfRange: return "version out of range";
    case Refusal::PreRelease: return "pre-release";
    case Refusal::NotJdk: return "not a JDK";
    case Refusal::WrongWordSize: return "wrong word size";
    case Refusal::DamagedLibrary: return "damaged library";
    case Refusal::NotChosen: return "not tried";
  }
  return "refused";
}

}  // namespace

void clearCandidates() {
  lines.clear();
  dropped = 0;
  currentSource[0] = 0;
}

void setCandidateSource(const char* format, ...) {
  va_list args;
  va_start(args, format);
  formatTextV(currentSource, sizeof(currentSource), format, args);
  va_end(args);
}

const char* candidateSource() { return currentSource; }

void refuseCandidate(const char* where, Refusal reason, const char* detail) {
  if (lines.size() >= kMaxCandidates) {
    ++dropped;
    return;
  }
  char home[kPathCapacity];
  const char* shown = where && where[0] ? where : "(nothing)";
  if (where && runtimeHomeOfExecutable(where, home)) {
    // java.exe and javaw.exe stand for their runtime; other names are shown as they are.
    const char* name = std::strrchr(where, '\\') + 1;
    if (_stricmp(name, "java.exe") == 0 || _stricmp(name, "javaw.exe") == 0) shown = home;
  }
  char line[kMaxLine];
  formatText(line, sizeof(line), "  %s%s%s: %s%s%s%s", currentSource,
             currentSource[0] ? " -> " : "", shown, reasonText(reason),
             detail && detail[0] ? " (" : "", detail ? detail : "",
             detail && detail[0] ? ")" : "");
  lines.emplace_back(line);
}

int refusedCandidates() { return static_cast<int>(lines.size() + dropped); }

void logRefusedCandidates() {
  logLine("No usable Java runtime; candidates in search order:");
  if (lines.empty()) logLine("  (none)");
  for (const std::string& line : lines) logLine("%s", line.c_str());
  if (dropped) logLine("  ... and %d more", static_cast<int>(dropped));
}

const char* refusedCandidateLine(int index) {
  if (index < 0 || static_cast<size_t>(index) >= lines.size()) return "";
  return lines[static_cast<size_t>(index)].c_str();
}

}  // namespace tessel

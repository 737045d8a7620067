// Class-data sharing "auto": which options a runtime of a given version gets for the
// application's archive, and the archive's name. The launcher supplies the facts (version,
// whether the archive exists, what identifies the runtime, executable and class path).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

enum class ArchiveMode {
  None,        // older runtimes (before 13), or an option of the user's rules it out
  AutoCreate,  // 19 and later: the runtime maps the archive and rewrites it when it is stale
  DumpAtExit,  // 13 to 18, no archive yet: written when the machine ends
  Use,         // 13 to 18, archive present: mapped
};

// The feature number of a version text: "1.8.0_392" is 8, "17.0.2" 17, "21-ea" 21; 0 when none.
int featureVersion(const char* version);
ArchiveMode archiveModeFor(int feature, bool archiveExists);
// The options for the mode; `writePath` is where DumpAtExit writes (renamed to `path` once the
// machine ended whole, so a start never maps a half-written file).
std::vector<std::string> archiveOptions(ArchiveMode mode, const std::string& path,
                                        const std::string& writePath);
// True when an option already decides sharing (-Xshare, the archive options) or turns the
// runtime's base archive off, without which writing an archive stops the start.
bool optionsRuleOutArchive(const std::vector<std::string>& options);

// Folds text into a running 64-bit FNV-1a hash.
uint64_t hashText(uint64_t hash, const void* data, size_t size);
constexpr uint64_t kHashSeed = 1469598103934665603ull;
// "<feature>-<16 hex digits>.jsa".
std::string archiveFileName(int feature, uint64_t identity);

// A complete dynamic archive starts with this magic (little-endian).
constexpr uint32_t kDynamicArchiveMagic = 0xf00baba8u;

}  // namespace tessel

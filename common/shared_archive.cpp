#include "shared_archive.h"

#include <cstdlib>
#include <cstring>

namespace tessel {
namespace {

bool startsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

int featureVersion(const char* version) {
  if (!version || *version < '0' || *version > '9') return 0;
  long first = std::strtol(version, nullptr, 10);
  if (first == 1 && version[1] == '.') return static_cast<int>(std::strtol(version + 2, nullptr, 10));
  return first > 0 && first < 100000 ? static_cast<int>(first) : 0;
}

ArchiveMode archiveModeFor(int feature, bool archiveExists) {
  if (feature >= 19) return ArchiveMode::AutoCreate;
  if (feature >= 13) return archiveExists ? ArchiveMode::Use : ArchiveMode::DumpAtExit;
  return ArchiveMode::None;
}

std::vector<std::string> archiveOptions(ArchiveMode mode, const std::string& path,
                                        const std::string& writePath) {
  // A stale or damaged archive is reported through these log tags (on standard output, into
  // the application's own output); the runtime goes on without it either way.
  const std::string quiet = "-Xlog:cds=off,cds+dynamic=off";
  switch (mode) {
    case ArchiveMode::None: return {};
    case ArchiveMode::AutoCreate:
      return {quiet, "-XX:+AutoCreateSharedArchive", "-XX:SharedArchiveFile=" + path};
    case ArchiveMode::DumpAtExit: return {quiet, "-XX:ArchiveClassesAtExit=" + writePath};
    case ArchiveMode::Use: return {quiet, "-XX:SharedArchiveFile=" + path};
  }
  return {};
}

bool optionsRuleOutArchive(const std::vector<std::string>& options) {
  for (const std::string& option : options) {
    if (startsWith(option, "-Xshare") || startsWith(option, "-XX:SharedArchiveFile") ||
        startsWith(option, "-XX:ArchiveClassesAtExit") ||
        startsWith(option, "-XX:+AutoCreateSharedArchive") ||
        startsWith(option, "-XX:-UseSharedSpaces") ||
        startsWith(option, "-XX:-UseCompressedClassPointers"))
      return true;
  }
  return false;
}

uint64_t hashText(uint64_t hash, const void* data, size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string archiveFileName(int feature, uint64_t identity) {
  // No printf family here: the launcher links only the C runtime's own.
  std::string name = std::to_string(feature) + "-";
  for (int shift = 60; shift >= 0; shift -= 4) name += "0123456789abcdef"[(identity >> shift) & 0xf];
  return name + ".jsa";
}

}  // namespace tessel

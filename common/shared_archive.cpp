#include "shared_archive.h"

#include <cstdlib>
#include <cstring>

namespace tessel {

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
  std::vector<std::string> options;
  if (mode == ArchiveMode::None) return options;
  // A stale or damaged archive is reported through these log tags (on standard output, into
  // the application's own output); the runtime goes on without it either way.
  options.emplace_back("-Xlog:cds=off,cds+dynamic=off");
  if (mode == ArchiveMode::AutoCreate) options.emplace_back("-XX:+AutoCreateSharedArchive");
  if (mode == ArchiveMode::DumpAtExit) options.push_back("-XX:ArchiveClassesAtExit=" + writePath);
  else options.push_back("-XX:SharedArchiveFile=" + path);
  return options;
}

bool optionsRuleOutArchive(const std::vector<std::string>& options) {
  static const char* const kDeciding[] = {
      "-Xshare", "-XX:SharedArchiveFile", "-XX:ArchiveClassesAtExit",
      "-XX:+AutoCreateSharedArchive", "-XX:-UseSharedSpaces", "-XX:-UseCompressedClassPointers"};
  for (const std::string& option : options)
    for (const char* prefix : kDeciding)
      if (option.compare(0, std::strlen(prefix), prefix) == 0) return true;
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
  // Digits made here: the printf family and std::to_string would bring their code along.
  char name[48];
  char* p = name + sizeof name;
  *--p = 0;
  p -= 4;
  std::memcpy(p, ".jsa", 4);
  for (int digit = 0; digit < 16; ++digit, identity >>= 4) *--p = "0123456789abcdef"[identity & 0xf];
  *--p = '-';
  unsigned value = feature < 0 ? 0u - static_cast<unsigned>(feature) : static_cast<unsigned>(feature);
  do *--p = static_cast<char>('0' + value % 10); while ((value /= 10) != 0);
  if (feature < 0) *--p = '-';
  return std::string(p);
}

}  // namespace tessel

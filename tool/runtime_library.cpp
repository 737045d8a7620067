#include "runtime_library.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "block_writer.h"
#include "config_keys.h"
#include "file_io.h"
#include "value_rules.h"
#include "jar/zip_reader.h"

namespace tessel {
namespace {

constexpr const char* kLauncherClass = "com/tessel/runtime/WinLauncher.class";
constexpr size_t kMaxClassSize = 1024 * 1024;

std::string lowered(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::string blockValue(const Project& project, int32_t key) {
  for (const auto& [k, v] : project.block.strings)
    if (k == key) return v;
  return "";
}

enum class EntryState { Holds, Lacks, Unseen };

// By its name, or by the launcher class inside (an application may ship the classes merged).
// An archive the tool cannot read (a placeholder, a damaged file) is one it cannot judge.
EntryState archiveState(const std::filesystem::path& file) {
  const std::string name = lowered(fromPath(file.filename()));
  if (name.rfind("tessel-runtime", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".jar")
    return EntryState::Holds;
  jar::ZipSource zip;
  std::string why;
  if (!jar::fileZip(file, zip, why)) return EntryState::Unseen;
  std::vector<uint8_t> content;
  switch (jar::readZipEntry(zip, kLauncherClass, kMaxClassSize, content, why)) {
    case jar::ZipStatus::Found: return EntryState::Holds;
    case jar::ZipStatus::NotFound: return EntryState::Lacks;
    default: return EntryState::Unseen;
  }
}

bool isArchive(const std::filesystem::path& file) {
  const std::string ext = lowered(fromPath(file.extension()));
  return ext == ".jar" || ext == ".zip";
}

// The launcher puts the archives at the top of the per-launch directory and in its "user"
// folder on the class path; other embedded files are only extracted.
bool joinsClassPath(const std::string& embeddedName) {
  const size_t slash = embeddedName.find('\\');
  if (slash != std::string::npos && lowered(embeddedName.substr(0, slash + 1)) != "user\\") return false;
  const std::string file = embeddedName.substr(slash == std::string::npos ? 0 : slash + 1);
  return !file.empty() && file.find('\\') == std::string::npos && isArchive(toPath(latin1ToUtf8(file)));
}

// One typed entry ("S0.\lib", "A1lib\app.jar", "D0classes\", "EVAR").
EntryState checkEntry(const std::string& entry, const std::filesystem::path& base) {
  if (entry.empty()) return EntryState::Lacks;
  const char type = static_cast<char>(std::toupper(static_cast<unsigned char>(entry[0])));
  size_t at = 1;
  if (at < entry.size() && (entry[at] == '0' || entry[at] == '1')) ++at;
  std::string path = entry.substr(at);
  if (type == 'E' || path.find('$') != std::string::npos || path.find('%') != std::string::npos)
    return EntryState::Unseen;
  std::replace(path.begin(), path.end(), '\\', '/');
  // Block values are Latin-1; the tool's paths are UTF-8 (Windows refuses a stray byte).
  std::filesystem::path p = toPath(latin1ToUtf8(path));
  if (p.is_relative()) p = base / p;
  std::error_code failure;
  if (type == 'S') {
    if (!std::filesystem::is_directory(p, failure)) return EntryState::Unseen;
    // An empty folder is one the installation fills.
    EntryState state = EntryState::Unseen;
    for (const auto& item : std::filesystem::directory_iterator(p, failure)) {
      if (!item.is_regular_file(failure) || !isArchive(item.path())) continue;
      const EntryState archive = archiveState(item.path());
      if (archive == EntryState::Holds) return archive;
      if (archive == EntryState::Lacks && state == EntryState::Unseen) state = archive;
    }
    return state;
  }
  if (std::filesystem::is_directory(p, failure))
    return std::filesystem::is_regular_file(p / kLauncherClass, failure) ? EntryState::Holds
                                                                           : EntryState::Lacks;
  if (!std::filesystem::is_regular_file(p, failure)) return EntryState::Unseen;
  return archiveState(p);
}

}  // namespace

RuntimeLibraryState findRuntimeLibrary(const Project& project, const std::string& outputPath,
                                       std::string& unseen) {
  const std::string flavour = blockValue(project, key::LauncherFlavour);
  if (!flavour.empty() && flavour[0] == 'c') return RuntimeLibraryState::Present;
  if (blockValue(project, key::RuntimeLibrary) == kRuntimeLibraryExternal)
    return RuntimeLibraryState::Present;
  bool namesClassPath = false;
  std::string unseenEmbed;
  for (const EmbeddedSource& f : project.embedded) {
    if (!joinsClassPath(f.name)) continue;
    namesClassPath = true;
    switch (archiveState(toPath(f.sourcePath))) {
      case EntryState::Holds: return RuntimeLibraryState::Present;
      case EntryState::Unseen: unseenEmbed = f.name; break;
      case EntryState::Lacks: break;
    }
  }
  for (int32_t key : {key::ClassPath, key::JarClassPath, key::ModulePath})
    namesClassPath = namesClassPath || !blockValue(project, key).empty();
  // Then only a -classpath line of a .vmoptions file (or of vm_parameters) gives a class path.
  if (!namesClassPath) return RuntimeLibraryState::NoClassPath;
  const std::filesystem::path base = toPath(outputPath).parent_path();
  RuntimeLibraryState state = RuntimeLibraryState::Missing;
  if (!unseenEmbed.empty()) {
    unseen = unseenEmbed;
    state = RuntimeLibraryState::Unknown;
  }
  for (int32_t key : {key::ClassPath, key::JarClassPath, key::ModulePath}) {
    for (const std::string& entry : splitEntries(blockValue(project, key))) {
      switch (checkEntry(entry, base)) {
        case EntryState::Holds: return RuntimeLibraryState::Present;
        case EntryState::Unseen:
          if (state == RuntimeLibraryState::Missing) unseen = entry;
          state = RuntimeLibraryState::Unknown;
          break;
        case EntryState::Lacks: break;
      }
    }
  }
  return state;
}

}  // namespace tessel

#include "installation.h"

#include <filesystem>

#include "file_io.h"
#include "pe/identity.h"
#include "pe/resources.h"

namespace tessel {
namespace {
std::string installationOverride;
}

void setInstallationDirectory(const std::string& directory) { installationOverride = directory; }

std::vector<std::string> installationCandidates(const std::string& fileName) {
  const std::filesystem::path own = toPath(installationOverride.empty() ? ownExecutableDirectory()
                                                                        : installationOverride);
  return {fromPath(own / fileName),
          fromPath((own.parent_path() / "share" / "tessel" / fileName).lexically_normal())};
}

std::string installedFile(const std::string& fileName) {
  const std::vector<std::string> candidates = installationCandidates(fileName);
  for (const std::string& candidate : candidates) {
    std::error_code failure;
    if (std::filesystem::is_regular_file(toPath(candidate), failure)) return candidate;
  }
  return candidates.front();
}

std::string templateVersion(const pe::Image& image) {
  std::vector<pe::Resource> resources;
  std::string why;
  if (!pe::readResources(image, resources, why)) return "";
  for (const pe::Resource& r : resources) {
    if (r.type.isName || r.type.id != pe::kRtVersion) continue;
    for (const auto& [name, value] : pe::readVersionStrings(r.data))
      if (name == "ProductVersion") return value;
  }
  return "";
}

}  // namespace tessel

#include "main_jar.h"

#include <algorithm>

#include "config_keys.h"
#include "file_io.h"
#include "block_writer.h"
#include "jar_launch.h"

namespace tessel {
namespace {

const std::string* blockValue(const BlockContents& block, int32_t key) {
  for (const auto& record : block.strings)
    if (record.first == key) return &record.second;
  return nullptr;
}

void setBlockValue(BlockContents& block, int32_t key, const std::string& value) {
  auto& strings = block.strings;
  auto at = std::lower_bound(strings.begin(), strings.end(), key,
                             [](const auto& record, int32_t k) { return record.first < k; });
  if (at != strings.end() && at->first == key) at->second = value;
  else strings.insert(at, {key, value});
}

// Manifest text is UTF-8; block values are the bytes the launcher widens one by one.
bool toNarrow(const std::string& utf8, std::string& out) {
  std::u16string wide;
  if (!utf8ToUtf16(utf8, wide)) return false;
  out.clear();
  for (char16_t c : wide) {
    if (c > 0xFF) return false;
    out.push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace

bool applyMainJar(Project& project, const std::string& outputPath, std::string& why) {
  const std::string* entry = blockValue(project.block, key::MainJar);
  if (!entry || entry->empty()) return true;
  const std::string setting = project.path + ": java.main_jar: ";
  if (entry->find('%') != std::string::npos || entry->find('$') != std::string::npos) {
    why = setting + "the jar is read at build time, so its path cannot hold variables";
    return false;
  }
  std::string relative = *entry;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  std::filesystem::path jar = toPath(relative);
  if (jar.is_relative()) jar = toPath(outputPath).parent_path() / jar;
  jar::Manifest manifest;
  std::string reason;
  if (!jar::readJarManifest(jar, manifest, reason)) {
    why = setting + "cannot read the manifest of " + fromPath(jar) + ": " + reason;
    return false;
  }
  jar::JarLaunch launch;
  if (!jar::jarLaunchFromManifest(manifest, *entry, launch, reason)) {
    why = setting + fromPath(jar) + ": " + reason;
    return false;
  }
  for (const std::string& w : launch.warnings) project.warnings.push_back(setting + w);
  std::string classPath, mainClass;
  if (!toNarrow(launch.classPath, classPath) || !toNarrow(launch.mainClass, mainClass)) {
    why = setting + fromPath(jar) + ": the manifest names characters beyond U+00FF";
    return false;
  }
  const std::string* configuredMain = blockValue(project.block, key::MainClass);
  if (mainClass.empty() && (!configuredMain || configuredMain->empty())) {
    why = setting + "the manifest of " + fromPath(jar) + " has no Main-Class and [java] main_class is not set";
    return false;
  }
  setBlockValue(project.block, key::JarClassPath, classPath);
  if (!mainClass.empty()) setBlockValue(project.block, key::JarMainClass, mainClass);
  if (!launch.vmOptions.empty()) setBlockValue(project.block, key::JarVmOptions, launch.vmOptions);
  return true;
}

}  // namespace tessel

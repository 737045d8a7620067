#include "main_jar.h"

#include <algorithm>

#include "config_keys.h"
#include "file_io.h"
#include "block_writer.h"
#include "jar_launch.h"
#include "value_rules.h"

namespace tessel {
namespace {

}  // namespace

bool applyMainJar(Project& project, const std::string& outputPath, std::string& why) {
  const std::string* entry = findBlockString(project.block, key::MainJar);
  if (!entry || entry->empty()) return true;
  const std::string setting = project.path + ": java.main_jar: ";
  if (entry->find('%') != std::string::npos || entry->find('$') != std::string::npos) {
    why = setting + "the jar is read at build time, so its path cannot hold variables";
    return false;
  }
  const std::string entryText = latin1ToUtf8(*entry);
  std::string relative = entryText;
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
  if (!jar::jarLaunchFromManifest(manifest, entryText, launch, reason)) {
    why = setting + fromPath(jar) + ": " + reason;
    return false;
  }
  for (const std::string& w : launch.warnings) project.warnings.push_back(setting + w);
  std::string classPath, mainClass;
  if (!utf8ToLatin1(launch.classPath, classPath) || !utf8ToLatin1(launch.mainClass, mainClass)) {
    why = setting + fromPath(jar) + ": the manifest names characters beyond U+00FF";
    return false;
  }
  const std::string* configuredMain = findBlockString(project.block, key::MainClass);
  if (mainClass.empty() && (!configuredMain || configuredMain->empty())) {
    why = setting + "the manifest of " + fromPath(jar) + " has no Main-Class and [java] main_class is not set";
    return false;
  }
  if (!fitsValue(valueRule(key::JarClassPath), classPath.size())) {
    why = setting + fromPath(jar) + ": the jar and its manifest's Class-Path make " +
          std::to_string(classPath.size()) + " characters of class path; the launcher reads at most " +
          std::to_string(valueRule(key::JarClassPath).capacity - 1);
    return false;
  }
  putBlockString(project.block, key::JarClassPath, classPath);
  if (!mainClass.empty()) putBlockString(project.block, key::JarMainClass, mainClass);
  if (!launch.vmOptions.empty()) putBlockString(project.block, key::JarVmOptions, launch.vmOptions);
  return true;
}

}  // namespace tessel

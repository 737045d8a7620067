#include "jar_launch.h"

#include "zip_reader.h"

namespace tessel::jar {
namespace {

// Manifests are small; a larger one is not a manifest a launcher should trust.
constexpr size_t kMaxManifest = 1u << 20;

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < text.size()) {
    size_t begin = text.find_first_not_of(" \t", at);
    if (begin == std::string::npos) break;
    size_t end = text.find_first_of(" \t", begin);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(begin, end - begin));
    at = end;
  }
  return out;
}

}  // namespace

bool isDottedJavaName(const std::string& text) {
  if (text.empty() || text.front() == '.' || text.back() == '.') return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '$' || c >= 0x80 || (c == '.' && text[i + 1] != '.');
    if (!ok) return false;
  }
  return true;
}

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A Class-Path URL relative to the jar, as a Windows path; false with `why` when it is not one.
bool relativeUrlToPath(const std::string& url, std::string& path, std::string& why) {
  const size_t colon = url.find(':');
  const size_t slash = url.find('/');
  if (colon != std::string::npos && (slash == std::string::npos || colon < slash)) {
    why = "an absolute URL";
    return false;
  }
  if (url[0] == '/') {
    why = "a path from the root of a drive";
    return false;
  }
  path.clear();
  for (size_t i = 0; i < url.size(); ++i) {
    char c = url[i];
    if (c == '%') {
      const int high = i + 2 < url.size() ? hexValue(url[i + 1]) : -1;
      const int low = high >= 0 ? hexValue(url[i + 2]) : -1;
      if (low < 0) {
        why = "a broken %-escape";
        return false;
      }
      c = static_cast<char>(high * 16 + low);
      i += 2;
    }
    if (c == ';' || c == '\0') {
      why = "a character the launcher's class path cannot hold";
      return false;
    }
    path += c == '/' ? '\\' : c;
  }
  return true;
}

bool addModuleOptions(const std::string* value, const char* attribute, const char* option,
                      JarLaunch& launch, std::string& why) {
  if (!value) return true;
  for (const std::string& target : words(*value)) {
    const size_t slash = target.find('/');
    if (slash == std::string::npos || !isDottedJavaName(target.substr(0, slash)) ||
        !isDottedJavaName(target.substr(slash + 1))) {
      why = std::string(attribute) + ": \"" + target + "\" is not module/package";
      return false;
    }
    if (!launch.vmOptions.empty()) launch.vmOptions += ' ';
    launch.vmOptions += std::string(option) + target + "=ALL-UNNAMED";
  }
  return true;
}

}  // namespace

bool jarLaunchFromManifest(const Manifest& manifest, const std::string& jarEntry, JarLaunch& launch,
                           std::string& why) {
  launch = JarLaunch();
  if (jarEntry.empty() || jarEntry.find(';') != std::string::npos) {
    why = "the jar's path cannot be a class-path entry";
    return false;
  }
  launch.classPath = "A1" + jarEntry;
  const size_t lastSeparator = jarEntry.find_last_of("\\/");
  const std::string directory = lastSeparator == std::string::npos ? "" : jarEntry.substr(0, lastSeparator + 1);
  if (const std::string* classPath = manifestAttribute(manifest, "Class-Path")) {
    for (const std::string& url : words(*classPath)) {
      std::string path, reason;
      if (!relativeUrlToPath(url, path, reason)) {
        launch.warnings.push_back("Class-Path entry \"" + url + "\" left out: " + reason);
        continue;
      }
      // A trailing slash names a directory of classes.
      const bool isDirectory = path.back() == '\\';
      launch.classPath += (isDirectory ? ";D0" : ";A0") + directory + path;
    }
  }
  for (const char* name : {"Main-Class", "Class-Path"})
    if (manifestRepeats(manifest, name))
      launch.warnings.push_back(std::string("the manifest names ") + name +
                                " more than once; the last one counts, as with java -jar");
  if (!manifestMainClass(manifest, launch.mainClass, why)) return false;
  if (!addModuleOptions(manifestAttribute(manifest, "Add-Opens"), "Add-Opens", "--add-opens=", launch, why) ||
      !addModuleOptions(manifestAttribute(manifest, "Add-Exports"), "Add-Exports", "--add-exports=", launch,
                        why))
    return false;
  if (const std::string* access = manifestAttribute(manifest, "Enable-Native-Access")) {
    std::vector<std::string> value = words(*access);
    // The only value the runtime accepts in a manifest.
    if (value.size() != 1 || value[0] != "ALL-UNNAMED") {
      why = "Enable-Native-Access: only ALL-UNNAMED is allowed, found \"" + *access + "\"";
      return false;
    }
    if (!launch.vmOptions.empty()) launch.vmOptions += ' ';
    launch.vmOptions += "--enable-native-access=ALL-UNNAMED";
  }
  if (manifestAttribute(manifest, "Launcher-Agent-Class"))
    launch.warnings.push_back("Launcher-Agent-Class is not started by the launcher");
  return true;
}

bool manifestMainClass(const Manifest& manifest, std::string& mainClass, std::string& why) {
  mainClass.clear();
  const std::string* value = manifestAttribute(manifest, "Main-Class");
  if (!value) return true;
  const size_t first = value->find_first_not_of(" \t");
  const size_t last = value->find_last_not_of(" \t");
  std::string name = first == std::string::npos ? "" : value->substr(first, last - first + 1);
  for (char& c : name)
    if (c == '/') c = '.';
  if (!isDottedJavaName(name)) {
    why = "Main-Class: \"" + *value + "\" is not a class name";
    return false;
  }
  mainClass = name;
  return true;
}

bool readJarManifest(const std::filesystem::path& path, Manifest& manifest, std::string& why) {
  ZipSource zip;
  if (!fileZip(path, zip, why)) return false;
  std::vector<uint8_t> bytes;
  if (readZipEntry(zip, "META-INF/MANIFEST.MF", kMaxManifest, bytes, why) != ZipStatus::Found) return false;
  std::string reason;
  if (!parseManifest(std::string(bytes.begin(), bytes.end()), manifest, reason)) {
    why = "META-INF/MANIFEST.MF: " + reason;
    return false;
  }
  return true;
}

}  // namespace tessel::jar

// What `java -jar` takes from an executable jar's manifest, as launcher settings: the class
// path (the jar, then its Class-Path entries relative to it), the main class and the VM
// options of Add-Opens, Add-Exports and Enable-Native-Access.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "manifest.h"

namespace tessel::jar {

struct JarLaunch {
  std::string classPath;   // typed class-path entries: "A1<jar>;A0<entry>;D0<directory>;..."
  std::string mainClass;   // Main-Class, empty when the manifest has none
  std::string vmOptions;   // blank-separated options, none of which holds a blank
  std::vector<std::string> warnings;  // manifest entries that are left out, with the reason
};

// A dotted Java name: module, package or class (non-ASCII letters pass as bytes >= 0x80).
bool isDottedJavaName(const std::string& text);

// The manifest's Main-Class as a dotted name (blanks around it dropped, "/" read as ".", as
// `java -jar` takes it); empty when there is none. False with `why` when it is no class name.
bool manifestMainClass(const Manifest& manifest, std::string& mainClass, std::string& why);

// `jarEntry` is the jar's path as the launcher resolves it (relative to the executable's
// directory, with backslashes). False with `why` for a manifest `java -jar` would refuse.
bool jarLaunchFromManifest(const Manifest& manifest, const std::string& jarEntry, JarLaunch& launch,
                           std::string& why);

// Reads and parses META-INF/MANIFEST.MF of the jar file at `path`.
bool readJarManifest(const std::filesystem::path& path, Manifest& manifest, std::string& why);

}  // namespace tessel::jar

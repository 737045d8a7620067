// The manifest of a jar file (a zip archive), read for `tessel init`: which class the jar
// starts. Reads are bounded; a damaged archive is refused with the reason.
#pragma once
#include <string>

namespace tessel {

// Reads META-INF/MANIFEST.MF of the jar at `path` (UTF-8). False with `why` when the file is
// not a readable zip archive or holds no manifest.
bool readJarManifest(const std::string& path, std::string& manifest, std::string& why);

// The value of an attribute of the manifest's main section ("Main-Class"), continuation
// lines joined; empty when absent. Names are compared without regard to case.
std::string manifestAttribute(const std::string& manifest, const std::string& name);

}  // namespace tessel

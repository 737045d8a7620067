// The main section of a jar manifest (META-INF/MANIFEST.MF): "Name: value" lines, values
// continued on lines that begin with one space, ended by the first empty line.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace tessel::jar {

struct Manifest {
  std::vector<std::pair<std::string, std::string>> attributes;  // in file order, UTF-8
};

// False with `why` (naming the line) for text that is not a manifest.
bool parseManifest(const std::string& text, Manifest& manifest, std::string& why);

// The value of `name` (letter case ignored, as attribute names are); nullptr when absent. Of
// an attribute given twice the last counts, as `java -jar` reads it.
const std::string* manifestAttribute(const Manifest& manifest, const char* name);
// True when the main section names `name` more than once.
bool manifestRepeats(const Manifest& manifest, const char* name);

}  // namespace tessel::jar

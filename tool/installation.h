// Where an installed tessel keeps its launcher template and runtime library, found relative to
// the tool itself, and the template's version.
#pragma once
#include <string>
#include <vector>

#include "pe/pe_image.h"

namespace tessel {

// Places looked at, in order, for a file of the installation: beside the tool (a build tree,
// the Windows zip) and in ../share/tessel (the Linux archive and package).
std::vector<std::string> installationCandidates(const std::string& fileName);
// The first candidate that exists, or the first candidate when none does (so that the error
// names a sensible place).
std::string installedFile(const std::string& fileName);
// Makes the candidates start with `directory` (tests; empty restores the tool's own places).
void setInstallationDirectory(const std::string& directory);

// The product version a template's version resource carries, or "" when it has none.
std::string templateVersion(const pe::Image& image);

}  // namespace tessel

// Rules for the names under which embedded files are extracted. The launcher joins the name
// to its per-launch directory and creates only the directory before the first backslash, so
// anything else would escape that directory or fail at run time.
#pragma once
#include <string>

namespace tessel {

// True when the launcher can extract a file under `name`; otherwise `why` says what is wrong.
bool checkEmbeddedName(const std::string& name, std::string& why);

// The default name of a source file: its last path component.
std::string defaultEmbeddedName(const std::string& sourcePath);

}  // namespace tessel

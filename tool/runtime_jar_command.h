// `tessel runtime-jar`: the Java-side library that every application needs in its class path,
// from the tool's own installation.
#pragma once
#include <ostream>
#include <string>

namespace tessel {

// Prints the library's path when `directory` is empty, otherwise copies it into `directory`
// (created when missing). Returns the process exit code.
int runRuntimeJar(const std::string& directory, std::ostream& out, std::ostream& err);

}  // namespace tessel

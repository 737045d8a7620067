// The commands of the tessel tool and their options: build, inspect, init, keys, help.
#pragma once
#include <ostream>

namespace tessel {

// Parses the arguments (UTF-8) and runs the command; returns the process exit code.
int runCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tessel

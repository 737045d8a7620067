// Splitting ";"-separated lists (the search sequence, installation lists).
#pragma once
#include <string>
#include <vector>

namespace tessel {

// The non-empty entries in order; runs of ";" and leading or trailing ";" give none.
std::vector<std::string> splitEntries(const char* list);

}  // namespace tessel

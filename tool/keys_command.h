// `tessel keys`: the vocabulary as a project file spells it.
#pragma once
#include <ostream>

namespace tessel {

// Prints every key: number, vocabulary name, type and where a project file sets it.
void printKeyTable(std::ostream& out);

}  // namespace tessel

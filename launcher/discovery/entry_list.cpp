#include "discovery/entry_list.h"

namespace tessel {

std::vector<std::string> splitEntries(const char* list) {
  std::vector<std::string> entries;
  std::string current;
  for (const char* p = list;; ++p) {
    if (*p == ';' || *p == 0) {
      if (!current.empty()) entries.push_back(current);
      current.clear();
      if (*p == 0) break;
    } else {
      current.push_back(*p);
    }
  }
  return entries;
}

}  // namespace tessel

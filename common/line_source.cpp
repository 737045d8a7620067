#include "line_source.h"

namespace tessel {

bool MemoryLineSource::readLine(char* line, size_t capacity) {
  if (capacity < 2 || at_ >= size_) return false;  // a line needs room for one byte
  size_t n = 0;
  while (n + 1 < capacity && at_ < size_) {
    char c = data_[at_++];
    line[n++] = c;
    if (c == '\n') break;
  }
  line[n] = 0;
  return true;
}

}  // namespace tessel

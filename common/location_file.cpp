#include "location_file.h"

#include <cstring>

namespace tessel {

LocationLine readLocationLine(LineSource& source, char* line, size_t capacity) {
  if (capacity == 0) return LocationLine::Empty;
  line[0] = 0;
  if (!source.readLine(line, capacity)) {
    line[0] = 0;
    return LocationLine::Empty;
  }
  size_t length = std::strlen(line);
  if (length == capacity - 1 && line[length - 1] != '\n' && source.more()) {
    line[0] = 0;
    return LocationLine::TooLong;
  }
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) line[--length] = 0;
  return LocationLine::Read;
}

}  // namespace tessel

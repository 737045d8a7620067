#include "discovery/entry_list.h"

namespace tessel {

bool nextEntry(const wchar_t*& cursor, wchar_t* entry, size_t capacity, int* tooLong) {
  while (*cursor) {
    while (*cursor == L';') ++cursor;
    if (!*cursor) break;
    const wchar_t* start = cursor;
    while (*cursor && *cursor != L';') ++cursor;
    size_t length = static_cast<size_t>(cursor - start);
    if (length < capacity) {
      for (size_t i = 0; i < length; ++i) entry[i] = start[i];
      entry[length] = 0;
      return true;
    }
    if (tooLong) ++*tooLong;
  }
  if (capacity) entry[0] = 0;
  return false;
}

}  // namespace tessel

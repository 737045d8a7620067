// Walking ";"-separated lists (the search sequence, installation lists) entry by entry.
#pragma once
#include <cstddef>

namespace tessel {

// The next non-empty entry at or after `cursor` into `entry` (capacity characters); runs of
// ";" and leading or trailing ";" give none. Advances the cursor past it. False at the end.
// An entry too long for the buffer is skipped whole and reported through `tooLong` (counted).
bool nextEntry(const wchar_t*& cursor, wchar_t* entry, size_t capacity, int* tooLong = nullptr);

}  // namespace tessel

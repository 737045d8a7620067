// Expansion of "${...}" references in configured values: the launcher's fixed variables,
// then the environment. Every expansion is bounded by the caller's buffer: an occurrence
// whose value would not fit stays unexpanded (logged) and expansion goes on.
#pragma once
#include <cstddef>

namespace tessel {

// Expands in place. `narrowSafe` picks the narrow-safe forms of the launcher and temporary
// directories. False when some occurrence was left unexpanded for lack of room.
bool expandVariables(wchar_t* text, size_t capacity, bool narrowSafe);
bool expandVariablesNarrow(char* text, size_t capacity);

}  // namespace tessel

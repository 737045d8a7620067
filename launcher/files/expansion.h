// Expansion of variable references in configured values (the portable variable_expansion.h
// with the launcher's directories and the process environment). Every expansion is bounded
// by the caller's buffer: an occurrence whose value would not fit stays unexpanded (logged).
#pragma once
#include <cstddef>

#include "util/paths.h"

namespace tessel {

// Expands in place. PathForm::NarrowSafe picks the narrow-safe forms of the launcher and
// temporary directories. False when some occurrence was left unexpanded for lack of room.
bool expandVariables(wchar_t* text, size_t capacity, PathForm form);
bool expandVariablesNarrow(char* text, size_t capacity);

// Replaces every occurrence of `reference` (case-sensitive) by `value`, in place; a value is
// never searched again, so one that holds its own reference is inserted once. A narrow value
// is read as text in the file-API code page. False when some occurrence stayed for lack of room.
bool replaceAll(wchar_t* text, size_t capacity, const wchar_t* reference, const wchar_t* value);
bool replaceAll(wchar_t* text, size_t capacity, const wchar_t* reference, const char* value);
bool replaceAll(char* text, size_t capacity, const char* reference, const char* value);

}  // namespace tessel

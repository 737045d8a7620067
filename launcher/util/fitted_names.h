// Names made from a path for uses with a length limit: kernel object names, registry key names.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tessel {

// FNV-1a (64 bits) of the text with ASCII letters lower-cased: paths that differ only in case
// give the same value, like the file system that holds them.
uint64_t caseBlindHash(const char* text) noexcept;

// Copies `name` when it has at most `limit` characters. A longer name is replaced by a stable
// short form of exactly `limit` characters: its first characters, "~" and the 16 hexadecimal
// digits of caseBlindHash(identity), the full path it was made from. Returns false (and an
// empty result) when `limit` is below 17 or the result does not fit `capacity`; *shortened
// (when given) tells which form was made.
bool fitNameToLimit(char* out, size_t capacity, const char* name, size_t limit,
                    const char* identity, bool* shortened = nullptr) noexcept;
// The same for a wide name; `identity` is hashed as given (its UTF-8 form for a wide path, so
// that an ASCII path keeps the short form the narrow twin makes).
bool fitNameToLimitW(wchar_t* out, size_t capacity, const wchar_t* name, size_t limit,
                     const char* identity, bool* shortened = nullptr) noexcept;

}  // namespace tessel

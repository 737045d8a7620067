// The user's locale: picks the locale sections of the block and the locale VM options.
#pragma once
#include <cstddef>
#include <cstdint>

#include "argument_list.h"

namespace tessel {

// The name is held in the row rather than pointed to: 215 pointers and their relocations
// would take more room than the names.
struct LocaleRow {
  uint16_t identifier;  // a primary language alone (below 0x400) or a full language identifier
  char name[9];         // "de", "de_CH", "no_NO_NY"
};

// Writes the locale name ("en", "de_CH", "no_NO_NY") into `buffer` (at least 9 bytes): the
// format locale, or the display language when the arguments turn formatasdefault off.
void detectLocale(const ArgumentList* arguments, char* buffer);
// Sets the language (first two characters) and, for five-character names, the country.
void setLocaleParts(const char* name);
// Copies the two-letter language or country into `buffer` (3 bytes); false when unset.
bool copyLocaleLanguage(char* buffer);
bool copyLocaleCountry(char* buffer);

// The language table in lookup order (215 rows).
const LocaleRow* languageTable(size_t& count) noexcept;
// The row name for the identifier's low 16 bits, else for its primary language, else "en".
const char* localeNameFor(uint32_t identifier) noexcept;
// The argument that picks the display language instead of the format locale (anything but
// "true" behind it). It is a VM option as well as the launcher's.
inline constexpr wchar_t kFormatAsDefaultOption[] = L"-Dsun.locale.formatasdefault=";
// False when the last kFormatAsDefaultOption argument says anything but "true".
bool formatAsDefault(const ArgumentList& arguments) noexcept;
// Test support: forget the language and country.
void clearLocaleParts() noexcept;

}  // namespace tessel

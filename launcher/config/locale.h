// The user's locale: picks the locale sections of the block and the locale VM options.
#pragma once
#include "startup/argument_list.h"

namespace tessel {

// Writes the locale name ("en", "de_CH", "no_NO_NY") into `buffer` (at least 9 bytes).
void detectLocale(const ArgumentList* arguments, char* buffer);
// Sets the language (first two characters) and, for five-character names, the country.
void setLocaleParts(const char* name);
// Copies the two-letter language or country into `buffer` (3 bytes); false when unset.
bool copyLocaleLanguage(char* buffer);
bool copyLocaleCountry(char* buffer);

}  // namespace tessel

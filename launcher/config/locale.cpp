#include "config/locale.h"

#include <cstring>

#include "files/bounded_text.h"

namespace tessel {
namespace {
char localeLanguage[3];
char localeCountry[3];
}  // namespace

void detectLocale(const ArgumentList*, char* buffer) { copyText(buffer, 9, "en"); }

void setLocaleParts(const char* name) {
  localeLanguage[0] = name[0];
  localeLanguage[1] = name[0] ? name[1] : 0;
  localeLanguage[2] = 0;
  if (std::strlen(name) == 5) {
    localeCountry[0] = name[3];
    localeCountry[1] = name[4];
    localeCountry[2] = 0;
  }
}

bool copyLocaleLanguage(char* buffer) {
  if (!localeLanguage[0]) return false;
  std::memcpy(buffer, localeLanguage, 3);
  return true;
}

bool copyLocaleCountry(char* buffer) {
  if (!localeCountry[0]) return false;
  std::memcpy(buffer, localeCountry, 3);
  return true;
}

}  // namespace tessel

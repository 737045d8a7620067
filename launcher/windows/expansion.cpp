#include "windows/expansion.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "diagnostics/log.h"
#include "discovery/runtime_home.h"
#include "files/bounded_text.h"
#include "files/handles.h"
#include "files/paths.h"
#include "files/temp_dir.h"

namespace tessel {
namespace {

enum class Source { LauncherDir, LaunchTempDir, Separator, RuntimeHome, SystemTempDir };

struct FixedReference {
  const char* narrow;
  const wchar_t* wide;
  Source source;
};

#define TESSEL_REF(text, source) {text, L##text, Source::source}
// Applied in this order, each as a full pass, so later rows see what earlier rows inserted.
const FixedReference kFixedReferences[] = {
    TESSEL_REF("%TESSEL_EXEDIR%", LauncherDir),
    TESSEL_REF("%CORVANE_EXEDIR%", LauncherDir),
    TESSEL_REF("%TESSEL_TEMPDIR%", LaunchTempDir),
    TESSEL_REF("%CORVANE_TEMPDIR%", LaunchTempDir),
    TESSEL_REF("%TESSEL_PATHLIST_SEPARATOR%", Separator),
    TESSEL_REF("%CORVANE_PATHLIST_SEPARATOR%", Separator),
    TESSEL_REF("%TESSEL_JVM_HOME%", RuntimeHome),
    TESSEL_REF("%CORVANE_JVM_HOME%", RuntimeHome),
    TESSEL_REF("${TESSEL_EXEDIR}", LauncherDir),
    TESSEL_REF("${CORVANE_EXEDIR}", LauncherDir),
    TESSEL_REF("${TESSEL_TEMPDIR}", LaunchTempDir),
    TESSEL_REF("${CORVANE_TEMPDIR}", LaunchTempDir),
    TESSEL_REF("${TESSEL_PATHLIST_SEPARATOR}", Separator),
    TESSEL_REF("${CORVANE_PATHLIST_SEPARATOR}", Separator),
    TESSEL_REF("${TESSEL_JVM_HOME}", RuntimeHome),
    TESSEL_REF("${CORVANE_JVM_HOME}", RuntimeHome),
    TESSEL_REF("${launcher:sys.launcherDirectory}", LauncherDir),
    TESSEL_REF("${launcher:sys.launcherTempDirectory}", LaunchTempDir),
    TESSEL_REF("${launcher:sys.pathlistSeparator}", Separator),
    TESSEL_REF("${launcher:sys.jvmHome}", RuntimeHome),
    TESSEL_REF("${launcher:sys.tempDir}", SystemTempDir),
};
#undef TESSEL_REF

size_t length(const char* s) { return std::strlen(s); }
size_t length(const wchar_t* s) { return std::wcslen(s); }
const char* find(const char* text, const char* part) { return std::strstr(text, part); }
const wchar_t* find(const wchar_t* text, const wchar_t* part) { return std::wcsstr(text, part); }

void logReplaced(const wchar_t* reference, const wchar_t* value, const wchar_t* text) {
  logLine("expanding2 %S to %S in %S.", reference, value, text);
}
void logReplaced(const wchar_t* reference, const char* value, const wchar_t* text) {
  logLine("expanding2 %S to %s in %S.", reference, value, text);
}
void logReplaced(const char* reference, const char* value, const char* text) {
  logLine("expanding2 %s to %s in %s.", reference, value, text);
}
void logNoRoom(const wchar_t* reference, size_t capacity) {
  logError("%S not expanded: the text would exceed %d characters", reference,
           static_cast<int>(capacity - 1));
}
void logNoRoom(const char* reference, size_t capacity) {
  logError("%s not expanded: the text would exceed %d characters", reference,
           static_cast<int>(capacity - 1));
}

template <typename T, typename V>
bool replaceAllIn(T* text, size_t capacity, const T* reference, const V* value) {
  size_t refLength = length(reference);
  if (refLength == 0 || capacity == 0) return true;  // an empty reference would match everywhere
  size_t valueLength = length(value);
  size_t textLength = length(text);
  bool whole = true;
  size_t pos = 0;
  for (const T* hit; (hit = find(text + pos, reference)) != nullptr;) {
    size_t at = static_cast<size_t>(hit - text);
    if (textLength - refLength + valueLength >= capacity) {
      logNoRoom(reference, capacity);
      whole = false;
      pos = at + refLength;
      continue;
    }
    std::memmove(text + at + valueLength, text + at + refLength,
                 (textLength - at - refLength + 1) * sizeof(T));
    for (size_t i = 0; i < valueLength; ++i) {
      // Narrow values are widened with the "C" rule: each byte becomes the character of its
      // number.
      if constexpr (sizeof(V) < sizeof(T))
        text[at + i] = static_cast<T>(static_cast<unsigned char>(value[i]));
      else
        text[at + i] = value[i];
    }
    textLength = textLength - refLength + valueLength;
    logReplaced(reference, value, text);
    pos = at + valueLength;  // never look into the inserted value again
  }
  return whole;
}

template <typename T>
void upperCaseAscii(std::basic_string<T>& s) {
  for (T& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<T>(c - 'a' + 'A');
}

// Each entry "name=value" in block order; the "=C:=C:\dir" entries have an empty name.
template <typename T>
bool expandEnvironment(T* text, size_t capacity, const T* block) {
  bool whole = true;
  std::basic_string<T> reference;
  for (const T* entry = block; *entry; entry += length(entry) + 1) {
    const T* equals = entry;
    while (*equals && *equals != '=') ++equals;
    if (!*equals) continue;
    reference.assign(1, '$');
    reference.push_back('{');
    reference.append(entry, equals);
    reference.push_back('}');
    whole &= replaceAllIn(text, capacity, reference.c_str(), equals + 1);
    std::basic_string<T> upper = reference;
    upperCaseAscii(upper);
    // Repeating a pass with the same reference would expand a self-referencing value twice.
    if (upper != reference) whole &= replaceAllIn(text, capacity, upper.c_str(), equals + 1);
  }
  return whole;
}

}  // namespace

bool replaceAll(wchar_t* text, size_t capacity, const wchar_t* reference, const wchar_t* value) {
  return replaceAllIn(text, capacity, reference, value);
}

bool replaceAll(wchar_t* text, size_t capacity, const wchar_t* reference, const char* value) {
  return replaceAllIn(text, capacity, reference, value);
}

bool replaceAll(char* text, size_t capacity, const char* reference, const char* value) {
  return replaceAllIn(text, capacity, reference, value);
}

bool expandVariables(wchar_t* text, size_t capacity, bool narrowSafe) {
  bool whole = true;
  for (const FixedReference& row : kFixedReferences) {
    switch (row.source) {
      case Source::LauncherDir:
        whole &= replaceAll(text, capacity, row.wide, launcherDirectoryW(narrowSafe));
        break;
      case Source::LaunchTempDir:
        whole &= replaceAll(text, capacity, row.wide, launchTempDir);
        break;
      case Source::Separator:
        whole &= replaceAll(text, capacity, row.wide, L";");
        break;
      case Source::RuntimeHome:
        whole &= replaceAll(text, capacity, row.wide, runtimeHome);
        break;
      case Source::SystemTempDir:
        // Asked for only when referenced: the probe may end the process when no
        // directory is usable, which a text without the reference must not do.
        if (!std::wcsstr(text, row.wide)) break;
        if (narrowSafe) {
          char dir[kPathCapacity];
          tempPath(dir);
          whole &= replaceAll(text, capacity, row.wide, dir);
        } else {
          wchar_t dir[kPathCapacity];
          tempPathW(dir);
          whole &= replaceAll(text, capacity, row.wide, dir);
        }
        break;
    }
  }
  wchar_t* block = GetEnvironmentStringsW();
  if (block) {
    auto release = runAtEndOfScope([block] { FreeEnvironmentStringsW(block); });
    whole &= expandEnvironment(text, capacity, static_cast<const wchar_t*>(block));
  }
  return whole;
}

bool expandVariablesNarrow(char* text, size_t capacity) {
  bool whole = true;
  for (const FixedReference& row : kFixedReferences) {
    switch (row.source) {
      case Source::LauncherDir:
        whole &= replaceAll(text, capacity, row.narrow, launcherDirectory());
        break;
      case Source::LaunchTempDir:
        whole &= replaceAll(text, capacity, row.narrow, launchTempDir);
        break;
      case Source::Separator:
        whole &= replaceAll(text, capacity, row.narrow, ";");
        break;
      case Source::RuntimeHome:
        whole &= replaceAll(text, capacity, row.narrow, runtimeHome);
        break;
      case Source::SystemTempDir:
        if (!std::strstr(text, row.narrow)) break;
        {
          char dir[kPathCapacity];
          tempPath(dir);
          whole &= replaceAll(text, capacity, row.narrow, dir);
        }
        break;
    }
  }
  char* block = GetEnvironmentStrings();
  if (block) {
    auto release = runAtEndOfScope([block] { FreeEnvironmentStringsA(block); });
    whole &= expandEnvironment(text, capacity, static_cast<const char*>(block));
  }
  return whole;
}

}  // namespace tessel

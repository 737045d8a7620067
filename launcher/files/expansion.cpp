#include "files/expansion.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/log.h"
#include "files/runtime_home.h"
#include "util/bounded_text.h"
#include "util/handles.h"
#include "util/paths.h"
#include "util/text_match.h"
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

const char* find(const char* text, const char* part) { return std::strstr(text, part); }
const wchar_t* find(const wchar_t* text, const wchar_t* part) { return std::wcsstr(text, part); }

void logReplaced(const wchar_t* reference, const wchar_t* value, const wchar_t* text) {
  logLine("expanding2 %S to %S in %S.", reference, value, text);
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

// Replaces every occurrence; `replaced` tells whether the text changed.
template <typename T>
bool replaceAllIn(T* text, size_t capacity, const T* reference, const T* value,
                  bool* replaced = nullptr) {
  size_t refLength = textLength(reference);
  if (refLength == 0 || capacity == 0) return true;  // an empty reference would match everywhere
  size_t valueLength = textLength(value);
  size_t size = textLength(text);
  bool whole = true;
  size_t pos = 0;
  for (const T* hit; (hit = find(text + pos, reference)) != nullptr;) {
    size_t at = static_cast<size_t>(hit - text);
    if (size - refLength + valueLength >= capacity) {
      logNoRoom(reference, capacity);
      whole = false;
      pos = at + refLength;
      continue;
    }
    std::memmove(text + at + valueLength, text + at + refLength,
                 (size - at - refLength + 1) * sizeof(T));
    for (size_t i = 0; i < valueLength; ++i) text[at + i] = value[i];
    size = size - refLength + valueLength;
    if (replaced) *replaced = true;
    logReplaced(reference, value, text);
    pos = at + valueLength;  // never look into the inserted value again
  }
  return whole;
}

// Which "${...}" references the text holds, so that the many passes whose reference is
// absent (nearly every environment entry) cost a lookup instead of a scan of the text.
// Rebuilt after every change of the text; the result is the same as scanning every time.
template <typename T>
class ReferenceIndex {
 public:
  explicit ReferenceIndex(const T* text) : text_(text) {}
  void changed() { dirty_ = true; }
  // False only when the text does not hold the reference.
  bool mayHold(const T* reference) {
    if (dirty_) rebuild();
    std::basic_string_view<T> ref(reference);
    if (ref.size() < 3 || ref[0] != '$' || ref[1] != '{' ||
        ref.substr(2).find('}') != ref.size() - 3)
      return (ref.empty() || ref[0] != '%' || hasPercent_) && find(text_, reference);
    return std::binary_search(references_.begin(), references_.end(), ref);
  }

 private:
  // Every "${" up to its first closing brace; names with a brace inside take the scan above.
  void rebuild() {
    references_.clear();
    hasPercent_ = false;
    for (const T* p = text_; *p; ++p) {
      if (*p == '%') hasPercent_ = true;
      if (*p == '$' && p[1] == '{') {
        const T* close = p + 2;
        while (*close && *close != '}') ++close;
        if (*close) references_.emplace_back(p, static_cast<size_t>(close - p + 1));
      }
    }
    std::sort(references_.begin(), references_.end());
    dirty_ = false;
  }

  const T* text_;
  bool dirty_ = true;
  bool hasPercent_ = false;
  std::vector<std::basic_string_view<T>> references_;
};

template <typename T>
bool replaceIndexed(T* text, size_t capacity, ReferenceIndex<T>& index, const T* reference,
                    const T* value) {
  if (!index.mayHold(reference)) return true;
  bool replaced = false;
  bool whole = replaceAllIn(text, capacity, reference, value, &replaced);
  if (replaced) index.changed();
  return whole;
}

template <typename T>
void upperCaseAscii(std::basic_string<T>& s) {
  for (T& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<T>(c - 'a' + 'A');
}

// Each entry "name=value" in block order; the "=C:=C:\dir" entries have an empty name.
template <typename T>
bool expandEnvironment(T* text, size_t capacity, ReferenceIndex<T>& index, const T* block) {
  bool whole = true;
  std::basic_string<T> reference, upper;
  for (const T* entry = block; *entry; entry += textLength(entry) + 1) {
    const T* equals = entry;
    while (*equals && *equals != '=') ++equals;
    if (!*equals) continue;
    reference.assign(1, '$');
    reference.push_back('{');
    reference.append(entry, equals);
    reference.push_back('}');
    whole &= replaceIndexed(text, capacity, index, reference.c_str(), equals + 1);
    upper = reference;
    upperCaseAscii(upper);
    // Repeating a pass with the same reference would expand a self-referencing value twice.
    if (upper != reference)
      whole &= replaceIndexed(text, capacity, index, upper.c_str(), equals + 1);
  }
  return whole;
}

}  // namespace

bool replaceAll(wchar_t* text, size_t capacity, const wchar_t* reference, const wchar_t* value) {
  return replaceAllIn(text, capacity, reference, value);
}

bool replaceAll(wchar_t* text, size_t capacity, const wchar_t* reference, const char* value) {
  return replaceAllIn(text, capacity, reference, wideText(value).c_str());
}

bool replaceAll(char* text, size_t capacity, const char* reference, const char* value) {
  return replaceAllIn(text, capacity, reference, value);
}

bool expandVariables(wchar_t* text, size_t capacity, PathForm form) {
  ReferenceIndex<wchar_t> index(text);
  bool whole = true;
  // The narrow directories are text in the file-API code page, not bytes to widen one by one.
  const std::wstring tempDir = wideText(launchTempDir);
  const std::wstring home = wideText(runtimeHome);
  for (const FixedReference& row : kFixedReferences) {
    const wchar_t* ref = row.wide;
    switch (row.source) {
      case Source::LauncherDir:
        whole &= replaceIndexed(text, capacity, index, ref, launcherDirectoryW(form));
        break;
      case Source::LaunchTempDir:
        whole &= replaceIndexed(text, capacity, index, ref, tempDir.c_str());
        break;
      case Source::Separator:
        whole &= replaceIndexed(text, capacity, index, ref, L";");
        break;
      case Source::RuntimeHome:
        whole &= replaceIndexed(text, capacity, index, ref, home.c_str());
        break;
      case Source::SystemTempDir:
        // Asked for only when referenced: the probe may end the process when no
        // directory is usable, which a text without the reference must not do.
        if (!index.mayHold(ref)) break;
        if (form == PathForm::NarrowSafe) {
          char dir[kPathCapacity];
          tempPath(dir);
          whole &= replaceIndexed(text, capacity, index, ref, wideText(dir).c_str());
        } else {
          wchar_t dir[kPathCapacity];
          tempPathW(dir);
          whole &= replaceIndexed(text, capacity, index, ref, dir);
        }
        break;
    }
  }
  wchar_t* block = GetEnvironmentStringsW();
  if (block) {
    auto release = runAtEndOfScope([block] { FreeEnvironmentStringsW(block); });
    whole &= expandEnvironment(text, capacity, index, static_cast<const wchar_t*>(block));
  }
  return whole;
}

bool expandVariablesNarrow(char* text, size_t capacity) {
  ReferenceIndex<char> index(text);
  bool whole = true;
  for (const FixedReference& row : kFixedReferences) {
    const char* ref = row.narrow;
    switch (row.source) {
      case Source::LauncherDir:
        whole &= replaceIndexed(text, capacity, index, ref, launcherDirectory());
        break;
      case Source::LaunchTempDir:
        whole &= replaceIndexed(text, capacity, index, ref, launchTempDir);
        break;
      case Source::Separator:
        whole &= replaceIndexed(text, capacity, index, ref, ";");
        break;
      case Source::RuntimeHome:
        whole &= replaceIndexed(text, capacity, index, ref, runtimeHome);
        break;
      case Source::SystemTempDir:
        if (!index.mayHold(ref)) break;
        {
          char dir[kPathCapacity];
          tempPath(dir);
          whole &= replaceIndexed(text, capacity, index, ref, dir);
        }
        break;
    }
  }
  char* block = GetEnvironmentStrings();
  if (block) {
    auto release = runAtEndOfScope([block] { FreeEnvironmentStringsA(block); });
    whole &= expandEnvironment(text, capacity, index, static_cast<const char*>(block));
  }
  return whole;
}

}  // namespace tessel

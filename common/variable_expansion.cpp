#include "variable_expansion.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "text_match.h"

namespace tessel {
namespace {

#define TESSEL_REF(text, variable) {text, L##text, FixedVariable::variable}
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

const char* reference(const FixedReference& row, char) { return row.narrow; }
const wchar_t* reference(const FixedReference& row, wchar_t) { return row.wide; }

const char* find(const char* text, const char* part) { return std::strstr(text, part); }
const wchar_t* find(const wchar_t* text, const wchar_t* part) { return std::wcsstr(text, part); }

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
    // The C runtime's sort: std::sort would add its own sorting code for each character type.
    if (references_.size() > 1)
      std::qsort(references_.data(), references_.size(), sizeof(references_[0]), compare);
    dirty_ = false;
  }
  static int compare(const void* a, const void* b) {
    return static_cast<const std::basic_string_view<T>*>(a)->compare(
        *static_cast<const std::basic_string_view<T>*>(b));
  }

  const T* text_;
  bool dirty_ = true;
  bool hasPercent_ = false;
  std::vector<std::basic_string_view<T>> references_;
};

template <typename T>
bool replaceIndexed(T* text, size_t capacity, ReferenceIndex<T>& index, const T* reference,
                    const T* value, ExpansionSource<T>& source) {
  if (!index.mayHold(reference)) return true;
  bool replaced = false;
  bool whole = replaceReferences(text, capacity, reference, value, &source, &replaced);
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
bool expandEnvironment(T* text, size_t capacity, ReferenceIndex<T>& index, const T* block,
                       ExpansionSource<T>& source) {
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
    whole &= replaceIndexed(text, capacity, index, reference.c_str(), equals + 1, source);
    upper = reference;
    upperCaseAscii(upper);
    // Repeating a pass with the same reference would expand a self-referencing value twice.
    if (upper != reference)
      whole &= replaceIndexed(text, capacity, index, upper.c_str(), equals + 1, source);
  }
  return whole;
}

}  // namespace

const FixedReference* fixedReferences(size_t* count) {
  *count = sizeof(kFixedReferences) / sizeof(kFixedReferences[0]);
  return kFixedReferences;
}

template <typename T>
bool replaceReferences(T* text, size_t capacity, const T* reference, const T* value,
                       ExpansionSource<T>* log, bool* replaced) {
  size_t refLength = textLength(reference);
  if (refLength == 0 || capacity == 0) return true;  // an empty reference would match everywhere
  size_t valueLength = textLength(value);
  size_t size = textLength(text);
  bool whole = true;
  size_t pos = 0;
  for (const T* hit; (hit = find(text + pos, reference)) != nullptr;) {
    size_t at = static_cast<size_t>(hit - text);
    if (size - refLength + valueLength >= capacity) {
      if (log) log->noRoom(reference, capacity);
      whole = false;
      pos = at + refLength;
      continue;
    }
    std::memmove(text + at + valueLength, text + at + refLength,
                 (size - at - refLength + 1) * sizeof(T));
    for (size_t i = 0; i < valueLength; ++i) text[at + i] = value[i];
    size = size - refLength + valueLength;
    if (replaced) *replaced = true;
    if (log) log->replaced(reference, value, text);
    pos = at + valueLength;  // never look into the inserted value again
  }
  return whole;
}

template <typename T>
bool expandReferences(T* text, size_t capacity, ExpansionSource<T>& source) {
  if (capacity == 0) return true;
  ReferenceIndex<T> index(text);
  bool whole = true;
  for (const FixedReference& row : kFixedReferences) {
    const T* ref = reference(row, T());
    // The system's temporary directory is asked for only when referenced: finding it may
    // end the process when no directory is usable, which a text without it must not do.
    if (row.variable == FixedVariable::SystemTempDir && !index.mayHold(ref)) continue;
    const T* value = source.fixedValue(row.variable);
    whole &= replaceIndexed(text, capacity, index, ref, value, source);
  }
  if (const T* block = source.environment())
    whole &= expandEnvironment(text, capacity, index, block, source);
  return whole;
}

template bool expandReferences(char*, size_t, ExpansionSource<char>&);
template bool expandReferences(wchar_t*, size_t, ExpansionSource<wchar_t>&);
template bool replaceReferences(char*, size_t, const char*, const char*, ExpansionSource<char>*,
                                bool*);
template bool replaceReferences(wchar_t*, size_t, const wchar_t*, const wchar_t*,
                                ExpansionSource<wchar_t>*, bool*);

}  // namespace tessel

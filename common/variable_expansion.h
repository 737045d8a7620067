// Expansion of variable references ("${NAME}", "%TESSEL_EXEDIR%", ...) in a text held in a
// fixed buffer: the launcher's fixed variables, then the environment. Every expansion is
// bounded by the buffer: an occurrence whose value would not fit stays unexpanded and
// expansion goes on. The values come from an ExpansionSource; T is char or wchar_t.
#pragma once
#include <cstddef>

namespace tessel {

// Where the fixed references take their value from.
enum class FixedVariable { LauncherDir, LaunchTempDir, Separator, RuntimeHome, SystemTempDir };

// A fixed reference in both widths and the variable it names.
struct FixedReference {
  const char* narrow;
  const wchar_t* wide;
  FixedVariable variable;
};
// The fixed references in the order they are applied, each as a full pass, so later rows
// see what earlier rows inserted but earlier rows do not.
const FixedReference* fixedReferences(size_t* count);

template <typename T>
class ExpansionSource {
 public:
  virtual ~ExpansionSource() = default;
  // The value of a fixed variable, valid until the next call. SystemTempDir is asked for
  // only when the text references it.
  virtual const T* fixedValue(FixedVariable variable) = 0;
  // The environment as a block of "name=value" entries, each terminated, ended by an empty
  // one; null for none. Asked for once, after the fixed variables.
  virtual const T* environment() = 0;
  // Told of each replacement (the text after it) and of each occurrence left for lack of room.
  virtual void replaced(const T* reference, const T* value, const T* text) {}
  virtual void noRoom(const T* reference, size_t capacity) {}
};

// Expands in place. False when some occurrence was left unexpanded for lack of room.
template <typename T>
bool expandReferences(T* text, size_t capacity, ExpansionSource<T>& source);

// Replaces every occurrence of `reference` (case-sensitive) by `value`, in place; a value is
// never searched again, so one that holds its own reference is inserted once. `log` (may be
// null) hears of each replacement and refusal. False when some occurrence stayed for lack of
// room; `replaced` (may be null) is set when the text changed.
template <typename T>
bool replaceReferences(T* text, size_t capacity, const T* reference, const T* value,
                       ExpansionSource<T>* log, bool* replaced = nullptr);

}  // namespace tessel

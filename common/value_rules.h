// What the launcher can take from each key: the buffer it reads the value into and the syntax
// it understands. The launcher sizes its buffers from here and the build tool checks project
// values against the same table, so a value the tool accepts is one the launcher reads whole.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

namespace limit {
constexpr size_t kValueCapacity = 6000;        // path and configuration value buffers
constexpr size_t kJavaTextCapacity = 2000;     // texts handed to the Java side, the arguments
constexpr size_t kVersionBoundCapacity = 2000; // min_version / max_version
constexpr size_t kFontFaceCapacity = 32;       // a LOGFONT face name
constexpr size_t kJvmTypeCapacity = 200;       // the preferred bin\<type> folder
constexpr size_t kFlavourCapacity = 2;         // only the first letter counts
constexpr size_t kLocaleTagLength = 8;         // the launcher's locale has at most 8 characters
}  // namespace limit

enum class ValueSyntax {
  Text,            // any text without NUL
  TypedEntries,    // ";"-separated class- or module-path entries: type letter, 0/1, argument
  SearchSequence,  // ";"-separated runtime sources: type letter, value
  Flavour,         // "t" or "c"
  SharingMode,     // class-data sharing: "auto" or "off"
  MainModule,      // "module" or "module/main.Class" (checked by the tool's entry-point rules)
  ArgumentRules,   // "windows" or "launcher" (argument_list.h)
};

struct ValueRule {
  int32_t key;
  size_t capacity;  // the launcher's buffer for the value, its terminator included; 0: read whole
  ValueSyntax syntax;
};

// Rules of the keys whose value is text, ascending by key. A text key not listed is read into
// a kValueCapacity buffer and takes any text.
const ValueRule* valueRules(size_t& count) noexcept;
// The key's rule; keys without an entry get {key, kValueCapacity, Text}.
ValueRule valueRule(int32_t key) noexcept;

// Entry type letters the launcher acts on.
constexpr const char* kClassPathEntryTypes = "ADES";
constexpr const char* kSearchEntryTypes = "ABERSY";
// The flavours the launcher knows; any other first letter gives the corvane caption, and "c..."
// the corvane behaviours.
constexpr const char* kFlavours = "tc";
// The values of class_data_sharing; the launcher acts on the first only.
constexpr const char* kSharingModes[] = {"auto", "off"};

// Message texts (keys 1000-1020) are read into wide buffers of kValueCapacity units.
constexpr int32_t kFirstMessageKey = 1000;
constexpr int32_t kLastMessageKey = 1020;
inline bool isMessageKey(int32_t key) { return key >= kFirstMessageKey && key <= kLastMessageKey; }

// The entries of a ";"-separated list (paths, search sequence, embedded names), in order;
// empty ones are left out, as the launcher skips them.
std::vector<std::string> splitEntries(const std::string& list);

// Checks `value` (the stored bytes) against the key's syntax, not its length. False with `why`
// saying what is wrong and what is allowed.
bool checkValueSyntax(const ValueRule& rule, const std::string& value, std::string& why);
// True when `length` stored characters fit the key's buffer whole.
inline bool fitsValue(const ValueRule& rule, size_t length) {
  return rule.capacity == 0 || length < rule.capacity;
}

}  // namespace tessel

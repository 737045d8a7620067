// Variable expansion, narrow and wide, into a buffer of exactly its capacity (a write past it
// is an AddressSanitizer report). The indexed expansion must give what a plain scan of every
// reference gives; the system's temporary directory is asked for only when referenced.
// Input: capacity byte, then parts separated by NUL: the text, the five fixed values, and
// environment entries ("name=value") separated by newlines.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "text_match.h"
#include "variable_expansion.h"

namespace {

template <typename T>
std::basic_string<T> convert(const std::string& bytes);
template <>
std::string convert(const std::string& bytes) {
  return std::string(bytes.c_str());
}
template <>
std::wstring convert(const std::string& bytes) {
  return fuzz::widen(bytes);
}

template <typename T>
const T* fixedName(const tessel::FixedReference& row);
template <>
const char* fixedName(const tessel::FixedReference& row) {
  return row.narrow;
}
template <>
const wchar_t* fixedName(const tessel::FixedReference& row) {
  return row.wide;
}

template <typename T>
bool contains(const T* text, const T* part) {
  return std::basic_string<T>(text).find(part) != std::basic_string<T>::npos;
}

template <typename T>
class FakeSource : public tessel::ExpansionSource<T> {
 public:
  FakeSource(const std::vector<std::string>& parts, const T* text) : text_(text) {
    for (int i = 0; i < 5; ++i) values_[i] = convert<T>(parts[1 + i]);
    for (char c : parts[6]) {
      // Entries end with a NUL, the block with an empty entry.
      block_.push_back(c == '\n' ? T(0) : static_cast<T>(static_cast<unsigned char>(c)));
    }
    block_.push_back(0);
    block_.push_back(0);
    // A NUL inside the block would end it early; the part has none (they separate parts).
  }
  const T* fixedValue(tessel::FixedVariable variable) override {
    if (variable == tessel::FixedVariable::SystemTempDir) {
      size_t count = 0;
      const tessel::FixedReference* rows = tessel::fixedReferences(&count);
      FUZZ_CHECK(contains(text_, fixedName<T>(rows[count - 1])));
    }
    return values_[static_cast<int>(variable)].c_str();
  }
  const T* environment() override {
    ++environmentCalls;
    return block_.data();
  }
  void replaced(const T*, const T*, const T* text) override { ++replacements; }
  void noRoom(const T*, size_t) override { ++refusals; }

  int environmentCalls = 0;
  int replacements = 0;
  int refusals = 0;
  std::basic_string<T> values_[5];
  std::basic_string<T> block_;

 private:
  const T* text_;
};

// Every pass scans the whole text: what the index must give.
template <typename T>
bool plainExpansion(T* text, size_t capacity, FakeSource<T>& source) {
  bool whole = true;
  size_t count = 0;
  const tessel::FixedReference* rows = tessel::fixedReferences(&count);
  for (size_t i = 0; i < count; ++i)
    whole &= tessel::replaceReferences<T>(text, capacity, fixedName<T>(rows[i]),
                                          source.values_[static_cast<int>(rows[i].variable)].c_str(),
                                          nullptr);
  for (const T* entry = source.block_.data(); *entry; entry += tessel::textLength(entry) + 1) {
    const T* equals = entry;
    while (*equals && *equals != '=') ++equals;
    if (!*equals) continue;
    std::basic_string<T> reference(1, '$');
    reference.push_back('{');
    reference.append(entry, equals);
    reference.push_back('}');
    whole &= tessel::replaceReferences<T>(text, capacity, reference.c_str(), equals + 1, nullptr);
    std::basic_string<T> upper = reference;
    for (T& c : upper)
      if (c >= 'a' && c <= 'z') c = static_cast<T>(c - 'a' + 'A');
    if (upper != reference)
      whole &= tessel::replaceReferences<T>(text, capacity, upper.c_str(), equals + 1, nullptr);
  }
  return whole;
}

template <typename T>
void check(const std::vector<std::string>& parts, size_t capacity) {
  const std::basic_string<T> input = convert<T>(parts[0]);
  if (input.size() >= capacity) return;  // callers hand in a terminated text that fits
  std::unique_ptr<T[]> text(new T[capacity]);
  std::unique_ptr<T[]> plain(new T[capacity]);
  std::memcpy(text.get(), input.c_str(), (input.size() + 1) * sizeof(T));
  std::memcpy(plain.get(), input.c_str(), (input.size() + 1) * sizeof(T));

  FakeSource<T> source(parts, text.get());
  bool whole = tessel::expandReferences(text.get(), capacity, source);
  FUZZ_CHECK(tessel::textLength(text.get()) < capacity);
  FUZZ_CHECK(source.environmentCalls == 1);
  FUZZ_CHECK(whole == (source.refusals == 0));

  FakeSource<T> plainSource(parts, plain.get());
  bool plainWhole = plainExpansion(plain.get(), capacity, plainSource);
  FUZZ_CHECK(whole == plainWhole);
  FUZZ_CHECK(std::basic_string<T>(text.get()) == std::basic_string<T>(plain.get()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t capacity = 1 + data[0];
  std::vector<std::string> parts = fuzz::split(data + 1, size - 1, '\0');
  parts.resize(7);
  check<char>(parts, capacity);
  check<wchar_t>(parts, capacity);
  return 0;
}

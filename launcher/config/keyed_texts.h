// Texts by configuration key, kept sorted by key in one array. The configuration holds a few
// dozen entries, written once and read often: a binary search over an array does that with a
// fraction of the code a balanced tree brings along.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tessel {

template <typename Text>
class KeyedTexts {
 public:
  // The key's value, inserted empty when absent: the way the loader (and a test) sets one.
  Text& operator[](int32_t key) {
    size_t i = lowerBound(key);
    if (i == entries_.size() || entries_[i].key != key)
      entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(i), Entry{key, Text()});
    return entries_[i].value;
  }
  // The key's value or nullptr; never inserts.
  const Text* find(int32_t key) const {
    size_t i = lowerBound(key);
    return i < entries_.size() && entries_[i].key == key ? &entries_[i].value : nullptr;
  }
  size_t count(int32_t key) const { return find(key) ? 1 : 0; }
  // Forgets the key (a test's way to unset one); returns how many entries went.
  size_t erase(int32_t key) {
    size_t i = lowerBound(key);
    if (i == entries_.size() || entries_[i].key != key) return 0;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
    return 1;
  }
  size_t size() const { return entries_.size(); }
  void clear() { entries_.clear(); }

 private:
  struct Entry {
    int32_t key;
    Text value;
  };
  size_t lowerBound(int32_t key) const {
    size_t low = 0, high = entries_.size();
    while (low < high) {
      size_t middle = low + (high - low) / 2;
      if (entries_[middle].key < key)
        low = middle + 1;
      else
        high = middle;
    }
    return low;
  }
  std::vector<Entry> entries_;
};

}  // namespace tessel

// The VM options of one launch as they are collected: the ordered option list and the three
// class-path slots that option lines may fill.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tessel {

// Ordered narrow options; never merged or de-duplicated.
using VmOptionList = std::vector<std::string>;

// Each slot is unset or holds one narrow list; a later line of the same kind replaces it.
struct ClassPathSlots {
  std::optional<std::string> classPathPrepend;
  std::optional<std::string> classPathReplace;
  std::optional<std::string> classPathAppend;
};

// Everything option lines feed, plus the chain of options files being read (outermost
// first), which bounds include nesting, and the count of includes tried, which bounds them
// in total.
struct VmOptionState {
  VmOptionList options;
  ClassPathSlots slots;
  std::vector<std::wstring> openFiles;
  size_t includesTried = 0;
};

}  // namespace tessel

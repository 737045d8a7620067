// The .vmoptions file beside the executable and the option-line interpreter shared by every
// source of VM options (configured parameters, "-J" options, locale options, options files).
#pragma once
#include <cstdio>
#include <memory>
#include <string>

#include "launch/vm_option_list.h"

namespace tessel {

struct FileCloser {
  void operator()(FILE* file) const noexcept { std::fclose(file); }
};
using unique_file = std::unique_ptr<FILE, FileCloser>;

// Include files nest at most this deep; deeper includes are skipped with a log line.
constexpr size_t kMaxIncludeDepth = 16;

// The default options file, open in text mode, or none; `openedPath` receives its name.
unique_file openDefaultVmOptions(std::wstring* openedPath = nullptr);
// Feeds every line of `file` to applyOptionLine and closes it. `path` names the file being
// read (nullptr for the default file when its name is unknown); a null file adds nothing.
void readVmOptionsFile(const wchar_t* path, unique_file file, VmOptionState& state);
// Interprets one line: include, class-path directive or VM option. `includingFile` is the
// options file the line came from, nullptr otherwise.
void applyOptionLine(const wchar_t* includingFile, const wchar_t* line, VmOptionState& state);

}  // namespace tessel

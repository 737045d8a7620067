// The .vmoptions file beside the executable, and the launcher's side of the portable
// options reader (vm_options_reader.h): files, names, variables and the code page.
#pragma once
#include <string>

#include "util/file_lines.h"
#include "vm_option_list.h"
#include "vm_options_reader.h"

namespace tessel {

// The default options file, open in text mode, or none; `openedPath` receives its name.
unique_file openDefaultVmOptions(std::wstring* openedPath = nullptr);
// The user's own options file (key 2030, variables expanded, relative to the launcher
// directory): every line after those of the default file; a missing file adds nothing.
void readUserVmOptions(VmOptionState& state);
// Feeds every line of `file` to applyOptionLine and closes it. `path` names the file being
// read (nullptr for the default file when its name is unknown); a null file adds nothing.
void readVmOptionsFile(const wchar_t* path, unique_file file, VmOptionState& state);
// Interprets one line: include, class-path directive or VM option. `includingFile` is the
// options file the line came from, nullptr otherwise.
void applyOptionLine(const wchar_t* includingFile, const wchar_t* line, VmOptionState& state);

}  // namespace tessel

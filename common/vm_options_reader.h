// The option-line interpreter of every source of VM options (configured parameters, "-J"
// options, locale options, options files) and the reader of options files with their
// includes. Everything outside the text - opening an included file, naming it, expanding
// variables, the code page - is asked of a VmOptionsHost.
#pragma once
#include <cstddef>
#include <memory>
#include <string>

#include "line_source.h"
#include "vm_option_list.h"

namespace tessel {

// Include files nest at most this deep; deeper includes are skipped with a log line.
constexpr size_t kMaxIncludeDepth = 16;
// At most this many includes are followed in all: files that include each other several
// times would otherwise be read a number of times exponential in the depth.
constexpr size_t kMaxIncludesTried = 256;
// Option lines and include names are read and expanded in buffers of this many characters;
// a longer line arrives in pieces, each taken as a line of its own.
constexpr size_t kOptionLineCapacity = 6000;

// What the reader tells the host's log.
enum class VmOptionsNote {
  IncludeExpanded,     // a: the expanded include name, b: as written
  IncludeNameTooLong,  // a: the expanded include name
  IncludeTooDeep,      // a: the resolved name
  IncludeCycle,        // a: the resolved name
  IncludeTooMany,      // a: the resolved name
  IncludeOpened,       // a: the resolved name, b: the expanded one, source: the file or null
  IncludeDone,         // after an included file was read
  LineNotExpanded,     // a: the line as far as it was expanded
};

class VmOptionsHost {
 public:
  virtual ~VmOptionsHost() = default;
  // The file for reading, or null.
  virtual std::unique_ptr<LineSource> open(const wchar_t* path) = 0;
  // One line of an options file (terminated bytes) as wide text; false when it does not fit.
  virtual bool toWide(const char* line, wchar_t* out, size_t capacity) = 0;
  // Expands variables in place within `capacity`; `includeName` picks the form for a file
  // name to open (the line form suits text handed to the runtime). False when incomplete.
  virtual bool expand(wchar_t* text, size_t capacity, bool includeName) = 0;
  // An include name made absolute against the including file (null: the launcher's
  // directory); false when it does not fit `capacity`.
  virtual bool resolve(wchar_t* out, size_t capacity, const wchar_t* name,
                       const wchar_t* includingFile) = 0;
  // Two names of the same file compare equal in this form.
  virtual std::wstring comparableName(const wchar_t* path) = 0;
  virtual bool sameName(const std::wstring& a, const std::wstring& b) = 0;
  // An option as the runtime is handed it.
  virtual std::string narrow(const wchar_t* text) = 0;
  virtual void note(VmOptionsNote what, const wchar_t* a, const wchar_t* b = nullptr,
                    const void* source = nullptr) {}
};

// Feeds every line of `source` to applyOptionLine: blanks around it and the line end are
// dropped, empty lines and lines starting with "#" are skipped. `path` names the file being
// read (null for the default file, whose includes resolve against the launcher directory).
void readVmOptions(const wchar_t* path, LineSource& source, VmOptionState& state,
                   VmOptionsHost& host);
// Interprets one line: include, class-path directive or VM option. `includingFile` is the
// options file the line came from, null otherwise.
void applyOptionLine(const wchar_t* includingFile, const wchar_t* line, VmOptionState& state,
                     VmOptionsHost& host);

}  // namespace tessel

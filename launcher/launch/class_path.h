// The "-Djava.class.path=" option: prepend slot, extracted archives, the corvane runtime
// archive, the configured entries (key 121) or the replace slot, and the append slot.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "vm_option_list.h"

namespace tessel {

// The class path's bound in bytes; an entry that would pass it is left out whole (logged).
constexpr size_t kClassPathCapacity = 60000;

struct ClassPath {
  std::string text;
  size_t capacity = kClassPathCapacity;
};

// Appends the whole text or nothing; false (logged) when it would not fit.
bool appendToClassPath(ClassPath& classPath, const std::string& text);
// The complete option; ends the process with message 1006 or 1008 for a missing required entry.
std::string buildClassPathOption(const ClassPathSlots& slots);
// Appends the typed entries of key 121.
void addConfiguredClassPath(ClassPath& classPath);
// Appends the typed entries of any key in the class-path entry syntax; `what` names them in
// the log ("classpath", "modulepath", ...). The stored text is read as wide text, expanded and
// resolved wide; each entry is made narrow for the runtime on its own (runtimePath).
void addConfiguredEntries(ClassPath& classPath, int32_t key, const char* what);
// False when the directory does not exist; else appends each match followed by ";".
// Each archive joins as the runtime reads it: its long name where the code page holds it,
// else its short one.
bool addArchivesInDirectory(ClassPath& classPath, const wchar_t* directory,
                            const wchar_t* extension);
// Names of the directory's entries matching "*.<extension>", in file-system order.
std::vector<std::wstring> listFilesWithExtension(const wchar_t* directory,
                                                 const wchar_t* extension);
// Corvane flavour: "<installation directory>\.corvane\cvnruntime.jar;".
void addRuntimeJar(ClassPath& classPath);

}  // namespace tessel

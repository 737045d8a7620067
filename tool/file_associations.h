// File types an application opens ([[file_association]]): what the project says, how the
// executable carries it (key 2041), and the registry entries that register it with the shell,
// as a list of values or as a .reg file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

struct FileAssociation {
  std::string extension;    // ".notes"
  std::string progId;       // "Notes.notes": named after the application
  std::string description;  // "Notes document" (UTF-8)
  int32_t iconId = 0;       // icon group resource of the executable; 0: its own icon
  std::string iconPath;     // the project's icon file (build only)
  uint32_t line = 0;        // in the project (build only)
};

// The first icon group resource that a file type's own icon gets; the next ones follow.
constexpr int32_t kFirstAssociationIconId = 200;
constexpr size_t kMaxAssociations = 64;

// Whether `extension` can name a file type: a dot, then 1 to 32 characters that a file name
// may hold, no dot, blank or path character. False with the reason.
bool checkExtension(const std::string& extension, std::string& why);
// The ProgId of an application's file type: the name's ASCII letters and digits (else
// "Application"), a dot, the extension's.
std::string makeProgId(const std::string& applicationName, const std::string& extension);

// Key 2041: one line per type, "extension TAB progid TAB icon id TAB description".
std::string encodeAssociations(const std::vector<FileAssociation>& list);
// False when the text is not such lines.
bool decodeAssociations(const std::string& text, std::vector<FileAssociation>& list);

// One registry value below the root (HKCU or HKLM): the key below it, the value's name
// ("" for the default value) and its text.
struct RegistryValue {
  std::string key;  // "Software\Classes\.notes"
  std::string name;
  std::string data;
};

// Every value that registers the types for the executable at `exePath` (a Windows path):
// the extension's default value and its OpenWithProgids entry, the ProgId with its
// description, icon and open command, and the application's "Open with" entry.
std::vector<RegistryValue> associationValues(const std::vector<FileAssociation>& list,
                                             const std::string& exePath,
                                             const std::string& applicationName);
// The keys those values live in, deepest first: what removal may delete once it is empty.
std::vector<std::string> associationKeys(const std::vector<RegistryValue>& values);

// A .reg file (text, UTF-8) that writes the values under `root` ("HKEY_CURRENT_USER"), or
// with `remove` deletes them: the ProgIds and the application's entry whole, the extension's
// values only when they are ours cannot be said in a .reg file, so only our named values go.
std::string regFileText(const std::vector<RegistryValue>& values, const std::string& root,
                        bool remove);
// The same text as a file regedit reads: UTF-16LE with a byte order mark, CRLF line ends.
std::vector<uint8_t> regFileBytes(const std::string& text);

}  // namespace tessel

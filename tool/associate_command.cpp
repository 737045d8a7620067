#include "associate_command.h"

#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#endif

#include "block_writer.h"
#include "config_keys.h"
#include "file_associations.h"
#include "file_io.h"
#include "inspect_command.h"

namespace tessel {
namespace {

bool fail(std::ostream& err, const std::string& why) {
  err << "tessel associate: " << why << "\n";
  return false;
}

// The executable's file types and name, from its block.
bool readDeclaredTypes(const std::string& exe, std::vector<FileAssociation>& list,
                       std::string& applicationName, std::ostream& err) {
  std::vector<uint8_t> bytes;
  std::string why;
  if (!readWholeFile(exe, bytes, why)) return fail(err, "cannot read " + exe + ": " + why);
  InspectReport report;
  if (!inspectImage(bytes, report)) return fail(err, exe + ": " + report.error);
  std::string text;
  for (const auto& [key, value] : report.block.strings) {
    if (key == key::FileAssociations) text = value;
    if (key == key::ApplicationName) applicationName = latin1ToUtf8(value);
  }
  if (!decodeAssociations(text, list)) return fail(err, exe + ": its list of file types is damaged");
  if (list.empty())
    return fail(err, exe + " declares no file types (add [[file_association]] to its project)");
  return true;
}

std::string fileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

#ifdef _WIN32

std::wstring wide(const std::string& utf8) {
  std::u16string text;
  utf8ToUtf16(utf8, text);
  return std::wstring(text.begin(), text.end());
}

std::string errorText(LONG code) { return "Windows error " + std::to_string(code); }

bool fullPath(const std::string& path, std::string& full) {
  wchar_t buffer[32768];
  const DWORD n = GetFullPathNameW(wide(path).c_str(), 32768, buffer, nullptr);
  if (n == 0 || n >= 32768) return false;
  full = utf16ToUtf8(std::u16string(buffer, buffer + n));
  return true;
}

bool writeValues(HKEY root, const std::vector<RegistryValue>& values, std::string& why) {
  for (const RegistryValue& v : values) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(root, wide(v.key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr);
    if (rc != ERROR_SUCCESS) {
      why = v.key + ": " + errorText(rc) + (rc == ERROR_ACCESS_DENIED ? " (access denied)" : "");
      return false;
    }
    const std::wstring data = wide(v.data);
    rc = RegSetValueExW(key, v.name.empty() ? nullptr : wide(v.name).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
      why = v.key + ": " + errorText(rc);
      return false;
    }
  }
  return true;
}

// Deletes a value only while it still holds what registration wrote: another application
// may have taken the extension since.
void deleteOwnValue(HKEY root, const RegistryValue& v, size_t& removed) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, wide(v.key).c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return;
  const std::wstring name = wide(v.name);
  const wchar_t* valueName = v.name.empty() ? nullptr : name.c_str();
  std::vector<wchar_t> data(32768, 0);
  DWORD type = 0, size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
  if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
          ERROR_SUCCESS &&
      type == REG_SZ && std::wstring(data.data()) == wide(v.data) &&
      RegDeleteValueW(key, valueName) == ERROR_SUCCESS)
    ++removed;
  RegCloseKey(key);
}

// Deletes the key when nothing is left in it.
void deleteEmptyKey(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, wide(path).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  DWORD subkeys = 1, values = 1;
  const LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                   &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (rc == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyW(root, wide(path).c_str());
}

bool changeRegistry(const AssociateOptions& options, const std::vector<FileAssociation>& list,
                    const std::string& applicationName, std::ostream& out, std::ostream& err) {
  std::string exe;
  if (!fullPath(options.executable, exe)) return fail(err, "cannot resolve " + options.executable);
  const std::vector<RegistryValue> values = associationValues(list, exe, applicationName);
  HKEY root = options.allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const char* rootName = options.allUsers ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  if (options.remove) {
    size_t removed = 0;
    for (const RegistryValue& v : values) deleteOwnValue(root, v, removed);
    for (const std::string& key : associationKeys(values)) deleteEmptyKey(root, key);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    out << "removed " << removed << " of " << values.size() << " registry values of " << exe
        << " under " << rootName << "\\Software\\Classes\n";
    return true;
  }
  std::string why;
  if (!writeValues(root, values, why)) {
    fail(err, std::string("cannot write ") + rootName + "\\" + why +
                  (options.allUsers ? "; --all-users needs an administrator" : ""));
    return false;
  }
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  for (const FileAssociation& a : list)
    out << "associated " << a.extension << " (" << a.progId << ", " << a.description << ") with "
        << exe << " under " << rootName << "\\Software\\Classes\n";
  return true;
}

#endif

bool writeRegFile(const AssociateOptions& options, const std::vector<FileAssociation>& list,
                  const std::string& applicationName, std::ostream& out, std::ostream& err) {
  if (options.installDir.empty())
    return fail(err, "--reg-file needs --install-dir DIR, the folder the executable is installed in");
  std::string dir = options.installDir;
  for (char& c : dir)
    if (c == '/') c = '\\';
  while (dir.size() > 3 && dir.back() == '\\') dir.pop_back();
  if (dir.size() < 3 || !((dir[1] == ':' && dir[2] == '\\') || dir.compare(0, 2, "\\\\") == 0))
    return fail(err, "--install-dir " + options.installDir +
                         ": expected a Windows path such as C:\\Program Files\\Notes");
  const std::string exe = dir + (dir.back() == '\\' ? "" : "\\") + fileNameOf(options.executable);
  const std::string root = options.allUsers ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  const std::vector<uint8_t> bytes =
      regFileBytes(regFileText(associationValues(list, exe, applicationName), root, options.remove));
  std::string why;
  if (!writeFileAtomically(options.regFile, {&bytes}, why))
    return fail(err, "cannot write " + options.regFile + ": " + why);
  out << "wrote " << options.regFile << ": " << (options.remove ? "removes " : "registers ")
      << list.size() << (list.size() == 1 ? " file type" : " file types") << " of " << exe
      << " under " << root << "\\Software\\Classes\n";
  return true;
}

}  // namespace

int runAssociate(const AssociateOptions& options, std::ostream& out, std::ostream& err) {
  std::vector<FileAssociation> list;
  std::string applicationName;
  if (!options.installDir.empty() && options.regFile.empty()) {
    fail(err, "--install-dir goes with --reg-file FILE");
    return 1;
  }
  if (!readDeclaredTypes(options.executable, list, applicationName, err)) return 1;
  if (!options.regFile.empty()) return writeRegFile(options, list, applicationName, out, err) ? 0 : 1;
#ifdef _WIN32
  return changeRegistry(options, list, applicationName, out, err) ? 0 : 1;
#else
  fail(err, "the registry is written by tessel.exe on Windows; here, write a .reg file for an "
            "installer with --reg-file FILE --install-dir DIR");
  return 1;
#endif
}

}  // namespace tessel

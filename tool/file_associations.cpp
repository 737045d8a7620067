#include "file_associations.h"

#include <algorithm>

#include "block_writer.h"

namespace tessel {
namespace {

constexpr const char* kClasses = "Software\\Classes\\";

bool isAsciiAlnum(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

std::string fileNameOf(const std::string& windowsPath) {
  const size_t slash = windowsPath.find_last_of("\\/");
  return slash == std::string::npos ? windowsPath : windowsPath.substr(slash + 1);
}

// A text between double quotes in a .reg file: backslashes and quotes escaped.
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

bool checkExtension(const std::string& extension, std::string& why) {
  if (extension.size() < 2 || extension[0] != '.') {
    why = "expected a dot and the file name's ending, like \".notes\", not \"" + extension + "\"";
    return false;
  }
  std::u16string wide;
  if (!utf8ToUtf16(extension, wide) || wide.size() > 33) {
    why = "\"" + extension + "\": at most 32 characters after the dot";
    return false;
  }
  for (size_t i = 1; i < extension.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(extension[i]);
    if (c <= ' ' || c == 0x7F || std::string("\\/:*?\"<>|.%").find(static_cast<char>(c)) != std::string::npos) {
      why = "\"" + extension + "\": no blanks, dots, control or path characters after the first dot";
      return false;
    }
  }
  return true;
}

std::string makeProgId(const std::string& applicationName, const std::string& extension) {
  std::string name, ending;
  for (unsigned char c : applicationName)
    if (isAsciiAlnum(c)) name += static_cast<char>(c);
  for (size_t i = 1; i < extension.size(); ++i)
    if (isAsciiAlnum(static_cast<unsigned char>(extension[i]))) ending += extension[i];
  // A ProgId begins with a letter.
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) name = "Application" + name;
  if (name.size() > 30) name.resize(30);  // a ProgId has at most 39 characters
  if (ending.empty()) {
    // An ending of only non-ASCII letters still needs a distinct name.
    uint32_t hash = 2166136261u;
    for (unsigned char c : extension) hash = (hash ^ c) * 16777619u;
    ending = "t" + std::to_string(hash % 100000);
  }
  if (ending.size() > 8) ending.resize(8);
  return name + "." + ending;
}

std::string encodeAssociations(const std::vector<FileAssociation>& list) {
  std::string text;
  for (const FileAssociation& a : list)
    text += a.extension + "\t" + a.progId + "\t" + std::to_string(a.iconId) + "\t" + a.description + "\n";
  return text;
}

bool decodeAssociations(const std::string& text, std::vector<FileAssociation>& list) {
  list.clear();
  if (text.empty()) return true;
  if (text.back() != '\n') return false;
  for (const std::string& line : split(text.substr(0, text.size() - 1), '\n')) {
    const std::vector<std::string> fields = split(line, '\t');
    std::string why;
    if (fields.size() != 4 || !checkExtension(fields[0], why) || fields[1].empty()) return false;
    FileAssociation a;
    a.extension = fields[0];
    a.progId = fields[1];
    if (fields[2].empty() || fields[2].size() > 5 ||
        !std::all_of(fields[2].begin(), fields[2].end(), [](char c) { return c >= '0' && c <= '9'; }))
      return false;
    a.iconId = std::stoi(fields[2]);
    a.description = fields[3];
    list.push_back(a);
  }
  return true;
}

std::vector<RegistryValue> associationValues(const std::vector<FileAssociation>& list,
                                             const std::string& exePath,
                                             const std::string& applicationName) {
  const std::string classes = kClasses;
  const std::string command = "\"" + exePath + "\" \"%1\"";
  const std::string application = classes + "Applications\\" + fileNameOf(exePath);
  std::vector<RegistryValue> values;
  for (const FileAssociation& a : list) {
    const std::string progId = classes + a.progId;
    values.push_back({classes + a.extension, "", a.progId});
    values.push_back({classes + a.extension + "\\OpenWithProgids", a.progId, ""});
    values.push_back({progId, "", a.description});
    // A negative index names the icon's resource id.
    values.push_back({progId + "\\DefaultIcon", "",
                      exePath + "," + (a.iconId ? "-" + std::to_string(a.iconId) : "0")});
    values.push_back({progId + "\\shell\\open\\command", "", command});
  }
  if (!list.empty()) {
    if (!applicationName.empty()) values.push_back({application, "FriendlyAppName", applicationName});
    values.push_back({application + "\\shell\\open\\command", "", command});
    for (const FileAssociation& a : list)
      values.push_back({application + "\\SupportedTypes", a.extension, ""});
  }
  return values;
}

std::vector<std::string> associationKeys(const std::vector<RegistryValue>& values) {
  std::vector<std::string> keys;
  for (const RegistryValue& v : values)
    for (std::string key = v.key; key.size() > std::string(kClasses).size();
         key = key.substr(0, key.find_last_of('\\')))
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
  // Deepest first, so that a parent is looked at after its children went.
  std::stable_sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
    return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
  });
  return keys;
}

std::string regFileText(const std::vector<RegistryValue>& values, const std::string& root,
                        bool remove) {
  std::string text = "Windows Registry Editor Version 5.00\n";
  std::string current;
  std::vector<std::string> removedWhole;
  for (const RegistryValue& v : values) {
    if (remove) {
      // The ProgIds and the application's entry are ours whole; of the extension's keys only
      // our own entry in OpenWithProgids (its default may be another application's by now).
      const bool extension = v.key.compare(0, std::string(kClasses).size() + 1,
                                           std::string(kClasses) + ".") == 0;
      if (!extension) {
        std::string owned = v.key.substr(std::string(kClasses).size());
        owned = owned.compare(0, 13, "Applications\\") == 0
                    ? owned.substr(0, owned.find('\\', 13))
                    : owned.substr(0, owned.find('\\'));
        owned = std::string(kClasses) + owned;
        if (std::find(removedWhole.begin(), removedWhole.end(), owned) == removedWhole.end()) {
          removedWhole.push_back(owned);
          text += "\n[-" + root + "\\" + owned + "]\n";
          current.clear();
        }
        continue;
      }
      if (v.name.empty()) continue;
    }
    if (v.key != current) {
      text += "\n[" + root + "\\" + v.key + "]\n";
      current = v.key;
    }
    text += (v.name.empty() ? std::string("@") : quoted(v.name)) + "=" + (remove ? "-" : quoted(v.data)) + "\n";
  }
  return text;
}

std::vector<uint8_t> regFileBytes(const std::string& text) {
  std::u16string wide;
  if (!utf8ToUtf16(text, wide)) wide.assign(text.begin(), text.end());
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (char16_t c : wide) {
    if (c == u'\n') {
      bytes.push_back('\r');
      bytes.push_back(0);
    }
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

}  // namespace tessel

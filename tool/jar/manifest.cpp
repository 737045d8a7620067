#include "manifest.h"

namespace tessel::jar {
namespace {

bool nameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

bool equalIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

}  // namespace

bool parseManifest(const std::string& text, Manifest& manifest, std::string& why) {
  manifest.attributes.clear();
  size_t at = 0, lineNumber = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end;
    if (at < text.size()) at += (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ? 2 : 1;
    ++lineNumber;
    if (line.empty()) break;  // the main section ends here
    if (line.find('\0') != std::string::npos) {
      why = "line " + std::to_string(lineNumber) + " contains a NUL character";
      return false;
    }
    if (line[0] == ' ') {
      if (manifest.attributes.empty()) {
        why = "line " + std::to_string(lineNumber) + " continues no attribute";
        return false;
      }
      manifest.attributes.back().second += line.substr(1);
      continue;
    }
    const size_t colon = line.find(": ");
    if (colon == std::string::npos || colon == 0) {
      why = "line " + std::to_string(lineNumber) + " is not \"Name: value\"";
      return false;
    }
    const std::string name = line.substr(0, colon);
    for (char c : name) {
      if (!nameCharacter(c)) {
        why = "line " + std::to_string(lineNumber) + " has an invalid attribute name";
        return false;
      }
    }
    manifest.attributes.emplace_back(name, line.substr(colon + 2));
  }
  return true;
}

const std::string* manifestAttribute(const Manifest& manifest, const char* name) {
  const std::string* found = nullptr;
  for (const auto& [key, value] : manifest.attributes)
    if (equalIgnoringCase(key, name)) found = &value;
  return found;
}

bool manifestRepeats(const Manifest& manifest, const char* name) {
  int seen = 0;
  for (const auto& attribute : manifest.attributes)
    if (equalIgnoringCase(attribute.first, name)) ++seen;
  return seen > 1;
}

}  // namespace tessel::jar

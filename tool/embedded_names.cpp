#include "embedded_names.h"

#include <cstring>
#include <filesystem>

#include "file_io.h"
#include "file_names.h"

namespace tessel {
bool checkEmbeddedName(const std::string& name, std::string& why) {
  if (name.empty()) {
    why = "the name is empty";
    return false;
  }
  if (name[0] == '\\' || name[0] == '/') {
    why = "the name is absolute; give a name relative to the extraction directory";
    return false;
  }
  for (unsigned char c : name) {
    if (c < 0x20) {
      why = "the name contains a control character";
      return false;
    }
    if (c == ':') {
      why = "the name contains a colon (a drive or stream name)";
      return false;
    }
    if (c == ';') {
      why = "the name contains ';', which separates the names in the launcher's list";
      return false;
    }
    if (c == '/') {
      why = "the name contains '/'; separate a directory with a backslash";
      return false;
    }
    if (std::strchr("<>\"|?*", c)) {
      why = std::string("the name contains '") + static_cast<char>(c) +
            "', which Windows does not allow in file names";
      return false;
    }
  }
  size_t levels = 0;
  size_t start = 0;
  while (true) {
    size_t end = name.find('\\', start);
    std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty()) {
      why = "the name has an empty component";
      return false;
    }
    if (part == "." || part == "..") {
      why = "the name contains a '" + part + "' component";
      return false;
    }
    // The launcher refuses to extract a device name, so the build refuses it first.
    if (isDeviceName(part.data(), part.size())) {
      why = "'" + part + "' is a device name in Windows, not a file";
      return false;
    }
    if (part.back() == '.' || part.back() == ' ') {
      why = "a component ends in a dot or a space, which Windows drops";
      return false;
    }
    if (end == std::string::npos) break;
    ++levels;
    start = end + 1;
  }
  if (levels == 0 && isLaunchLockName(name.data(), name.size())) {
    why = "'" + name + "' is the name of the lock file each launch keeps in the extraction "
          "directory; choose another name";
    return false;
  }
  if (levels > 1) {
    why = "the name has more than one directory level; the launcher creates only the first";
    return false;
  }
  return true;
}

std::string defaultEmbeddedName(const std::string& sourcePath) {
  return fromPath(toPath(sourcePath).filename());
}

}  // namespace tessel
